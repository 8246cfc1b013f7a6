"""A private Wine prefix for the Windows build."""
import os
import subprocess
from pathlib import Path

from .checks import Failure, Service, check

PE_MACHINES = {0x14C: ("win32", "/usr/lib/wine/wine"), 0x8664: ("win64", "/usr/lib/wine/wine64")}


def pe_machine(exe):
    """The machine field of a Windows executable's PE header."""
    data = Path(exe).read_bytes()[:4096]
    header = int.from_bytes(data[0x3C:0x40], "little")
    check(data[header:header + 4] == b"PE\0\0", f"{exe} is not a Windows executable")
    return int.from_bytes(data[header + 4:header + 6], "little")


class WinePrefix(Service):
    """A Wine prefix of its own in a scratch directory, for programs of the
    executable's architecture; stopping it ends its wineserver and every
    program still running in it."""

    def __init__(self, scratch, exe):
        self.arch, self.loader = PE_MACHINES[pe_machine(exe)]
        self.env = {"WINEPREFIX": str(Path(scratch) / "prefix"), "WINEARCH": self.arch, "WINEDEBUG": "-all",
                    # No Mono or Gecko installer dialog while the prefix is made.
                    "WINEDLLOVERRIDES": "mscoree,mshtml="}

    def start(self):
        made = self.run(["wineboot", "--init"], cwd="/", timeout=300)
        if made.returncode != 0:
            raise Failure(f"wineboot: status {made.returncode}: {made.stderr[-500:]}")

    def without(self, *dlls):
        """The prefix's environment with the given DLLs disabled."""
        return {**self.env, "WINEDLLOVERRIDES": self.env["WINEDLLOVERRIDES"] + ";" + ",".join(dlls) + "=d"}

    def run(self, argv, cwd, timeout=120):
        return subprocess.run([self.loader, *argv], cwd=cwd, env=dict(os.environ, **self.env),
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)

    def stop(self):
        for option in ("-k", "-w"):
            subprocess.run(["wineserver", option], env=dict(os.environ, **self.env), capture_output=True, timeout=60)
