#!/usr/bin/env python3
"""The Windows build under Wine, in one private Wine prefix for the run:
plessard.exe must write the same banks and print the same lines (CR LF
line ends aside) as the Linux plessard, and vellicor.exe must play through
Wine's PulseAudio driver into a private PulseAudio daemon, recorded from a
pipe sink while xdotool plays: through XAudio2 2.7, and through 2.9 from
play.cmd of the unpacked 64-bit ZIP with 2.7 disabled.

Usage: windows_e2e.py --windows-build DIR --linux-plessard PATH [--package ZIP...]
Uses $DISPLAY, or starts its own Xvfb when none is set.
"""
import argparse
import filecmp
import os
import re
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

sys.dont_write_bytecode = True  # the harness leaves no __pycache__ in the source tree
from harness.checks import check, once_more_after_a_glitch  # noqa: E402
from harness.played_keys import play_and_check_keys  # noqa: E402
from harness.player import Player  # noqa: E402
from harness.running import run_script  # noqa: E402
from harness.sound_servers import PulseAudioServer  # noqa: E402
from harness.wine import WinePrefix  # noqa: E402

# Wine's XAudio2 mixes in periods of 10 ms, and keeps its stream running
# from start-up.
WINE_XAUDIO2_PERIOD = 0.01
# Wine's PulseAudio driver names its client after the product name of the
# program's version resource.
WINE_CLIENT = "plessard-vellicor"
FOUR_KINDS = ("basefq: 440\n"
              "sin wave: 0.25, 0.25, 1, 8000\n"
              "middle notches: 0.25, 0.25, 2, 4000\n"
              "forward notches: 0.3, 0.2, 3, 2000\n"
              "backwawrd notches: 0.2, 0.15, 4, 1000   a remark\n")


def console_lines(output):
    return output.decode(errors="replace").replace("\r\n", "\n").splitlines()


def same_banks(linux_dir, windows_dir):
    """The pcm directories hold the same file names with the same bytes;
    returns the number of files compared."""
    linux_pcm, windows_pcm = Path(linux_dir) / "pcm", Path(windows_dir) / "pcm"
    names, windows_names = (sorted(p.name for p in pcm.iterdir()) if pcm.is_dir() else []
                            for pcm in (linux_pcm, windows_pcm))
    check(names == windows_names, f"file names differ: {sorted(set(names) ^ set(windows_names))[:10]}")
    differing = [n for n in names if not filecmp.cmp(linux_pcm / n, windows_pcm / n, shallow=False)]
    check(not differing, f"{len(differing)} of {len(names)} files differ, first {differing[:5]}")
    return len(names)


def compare_plessard(settings, wine, scratch, name, args, same_dir=None):
    """Runs both programs with `args`, the Windows one in `same_dir` when
    given (over an earlier bank); returns the Linux run's directory."""
    linux_dir = Path(scratch) / f"linux-{name}"
    windows_dir = Path(same_dir) if same_dir else Path(scratch) / f"windows-{name}"
    for directory in (linux_dir, windows_dir):
        directory.mkdir(exist_ok=True)
        for tone_file, text in (("four.tgw", FOUR_KINDS), ("four_crlf.tgw", FOUR_KINDS.replace("\n", "\r\n"))):
            (directory / tone_file).write_bytes(text.encode())
        (directory / "folder.tgw").mkdir(exist_ok=True)
    linux = subprocess.run([settings.linux_plessard, *args], cwd=linux_dir, capture_output=True, timeout=120)
    windows = wine.run([str(Path(settings.windows_build) / "plessard.exe"), *args], cwd=windows_dir)
    check(windows.returncode == linux.returncode, f"{name}: status {windows.returncode}, Linux {linux.returncode}")
    for stream, linux_text, windows_text in (("standard output", linux.stdout, windows.stdout),
                                             ("standard error", linux.stderr, windows.stderr)):
        check(console_lines(windows_text) == console_lines(linux_text),
              f"{name}: {stream}: {console_lines(windows_text)[:3]}, Linux {console_lines(linux_text)[:3]}")
    files = same_banks(linux_dir, windows_dir)
    print(f"plessard {' '.join(args) or '(no arguments)'}: status {linux.returncode}, {len(console_lines(linux.stdout))} lines, "
          f"{files} files, the same")
    return linux_dir


def check_plessard(settings, wine, scratch):
    default = compare_plessard(settings, wine, scratch, "default", [])
    # A second run into the same pcm/ replaces the earlier bank's files.
    compare_plessard(settings, wine, scratch, "replaced", ["-16", "-basefq", "220"],
                     same_dir=Path(scratch) / "windows-default")
    for name, args in (("four-kinds", ["four.tgw", "four_crlf.tgw"]), ("usage", ["-h"]),
                       ("missing", ["missing.tgw", "four.tgw"]), ("not-a-file", ["folder.tgw", "four.tgw"]),
                       ("not-tgw", ["notes.txt"])):
        compare_plessard(settings, wine, scratch, name, args)
    return default


def check_vellicor(settings, wine, scratch, bank):
    """The tones through XAudio2 2.7; with no XAudio2 at all the player
    says so, and still opens its window and ends on Escape."""
    vellicor = Path(settings.windows_build) / "vellicor.exe"
    pcm = [str(Path(bank) / "pcm" / "test")]
    check_tones(wine, Path(scratch) / "player", vellicor, pcm, wine.env)
    print("vellicor.exe (XAudio2 2.7): window, key lines, tones, chord and Escape as on Linux")
    with Player(vellicor, Path(scratch) / "no-engine", args=pcm, launcher=[wine.loader],
                extra_env=wine.without("xaudio2_7", "xaudio2_8", "xaudio2_9")) as player:
        player.open_window()
        player.wait_for_stderr("myxa2: init failed.")
        player.quit()
    print("vellicor.exe (no XAudio2): 'myxa2: init failed.', window, Escape")


def check_play_cmd(wine, folder, bank):
    """play.cmd of the unpacked ZIP with XAudio2 2.7 disabled, as on a
    stock Windows 10: it writes the Linux bank, then plays it."""
    check_tones(wine, folder, "play.cmd", [], wine.without("xaudio2_7"), launcher=["cmd", "/c"])
    files = same_banks(bank, folder)
    print(f"play.cmd of {folder.name} (XAudio2 2.7 disabled): {files} files written as on Linux, "
          "window, key lines, tones, chord and Escape as on Linux")


def check_tones(wine, workdir, program, args, env, launcher=()):
    def play():
        with PulseAudioServer(Path(workdir) / "server", pipe_sink=True) as server, \
                server.record(Path(workdir) / "sink.raw") as recording, \
                Player(program, workdir, args=args, extra_env={**env, **server.client_env()},
                       launcher=[wine.loader, *launcher]) as player:
            play_and_check_keys(server, recording, player, WINE_CLIENT, WINE_XAUDIO2_PERIOD)
    once_more_after_a_glitch(play)


def version_resource(exe_bytes):
    """File and product version of a program's version resource."""
    at = exe_bytes.find(struct.pack("<I", 0xFEEF04BD))
    check(at >= 0, "no version resource")
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", exe_bytes, at + 8)
    as_text = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    return as_text(file_ms, file_ls), as_text(product_ms, product_ls)


def check_package(package):
    """The ZIP holds the two programs, each with its version resource,
    play.cmd, the README, the licence and the example tone file, under one
    folder named after the archive."""
    top = Path(package).name.removesuffix(".zip")
    version = re.fullmatch(r"plessard-vellicor-(\d+\.\d+\.\d+)-win(32|64)", top)
    check(version, f"package name {Path(package).name}")
    expected = sorted(f"{top}/{name}" for name in
                      ("plessard.exe", "vellicor.exe", "play.cmd", "README.md", "LICENSE", "examples/organ.tgw"))
    with zipfile.ZipFile(package) as archive:
        names = sorted(name for name in archive.namelist() if not name.endswith("/"))
        check(names == expected, f"{Path(package).name} holds {names}, expected {expected}")
        for program in ("plessard.exe", "vellicor.exe"):
            exe = archive.read(f"{top}/{program}")
            versions = version_resource(exe)
            check(versions == (version[1] + ".0",) * 2, f"{program}: file and product version {versions}")
            check("FileDescription".encode("utf-16-le") in exe, f"{program}: no description")
    print(f"{Path(package).name}: {len(names)} files as expected, versions {version[1]}")


def check_windows_build(settings):
    for package in settings.package:
        check_package(package)
    win64 = [package for package in settings.package if package.endswith("-win64.zip")]
    check(len(win64) == 1, f"one 64-bit ZIP expected among {settings.package}")
    with tempfile.TemporaryDirectory(prefix="windows-e2e-") as scratch:
        with zipfile.ZipFile(win64[0]) as archive:
            archive.extractall(Path(scratch) / "unpacked")
        unpacked = Path(scratch) / "unpacked" / Path(win64[0]).name.removesuffix(".zip")
        with WinePrefix(scratch, Path(settings.windows_build) / "plessard.exe") as wine:
            bank = check_plessard(settings, wine, scratch)
            check_vellicor(settings, wine, scratch, bank)
            if wine.arch == "win64":
                check_play_cmd(wine, unpacked, bank)
        if wine.arch != "win64":
            with WinePrefix(Path(scratch) / "win64", unpacked / "plessard.exe") as wine64:
                check_play_cmd(wine64, unpacked, bank)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--windows-build", required=True, type=os.path.abspath,
                        help="directory holding plessard.exe and vellicor.exe")
    parser.add_argument("--linux-plessard", required=True, type=os.path.abspath)
    parser.add_argument("--package", nargs="+", default=[],
                        help="the Windows ZIPs, whose file lists are checked; the 64-bit one is also run")
    settings = parser.parse_args()
    return run_script("windows", lambda: check_windows_build(settings))


if __name__ == "__main__":
    sys.exit(main())
