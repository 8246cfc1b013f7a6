#!/usr/bin/env python3
"""Runs the installed programs with SDL's dummy audio driver in the X server
of $DISPLAY.

vellicor on a bank: waits for its window, closes it the way a window
manager does and expects exit status 0, the whole bank loaded and the audio
output opened.

vellicor-play as a new user with an empty home and no XDG_DATA_HOME: the
first start writes the default bank into ~/.local/share/vellicor, the same
as the given bank, and plays it; the second plays it without writing it
again; a start after one cut short writes it again. A data directory that
cannot be made, a failing plessard and a missing one each end it with one
line and status 1 before the player starts.

Usage: window_check.py --vellicor PATH --launcher PATH --wm-close PATH --base BASE_PATH
"""
import argparse
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True  # the harness leaves no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
# The window is found and closed as in the end-to-end tests.
from harness.checks import Failure, check  # noqa: E402
from harness.player import Player  # noqa: E402
from harness.running import run_script  # noqa: E402
from harness.x_display import xdotool  # noqa: E402

SLOTS = 128
LAUNCHER = "vellicor-play"


def check_loaded(errors, base, then):
    """Standard error holds the sizes of the whole default bank under
    `base`, then the lines `then`."""
    sizes = [f"{base}.{n}.pcm: 441000" for n in range(SLOTS)]
    check(errors[:SLOTS] == sizes, f"the bank did not load: {errors[:3]} ... {errors[SLOTS - 3:SLOTS + 1]}")
    check(errors[SLOTS:] == then, f"standard error after the bank: {errors[SLOTS:]}")


def check_window(player, wm_close, base):
    window = player.open_window()
    subprocess.run([wm_close, window], check=True, timeout=10)
    status = player.exit_status()
    check(status == 0, f"exit status {status}")
    check_loaded(player.stderr().splitlines(), base, [])


def play_from_menu(launcher, workdir, home):
    """Starts the launcher as the menu does, plays z and quits with Escape;
    returns what it printed on standard output."""
    player = Player(launcher, workdir, audio_driver="dummy", extra_env={"HOME": str(home)})
    player.env.pop("XDG_DATA_HOME", None)
    with player:
        player.open_window()
        xdotool("key", "z")
        player.wait_for_stderr("key: 7a, 0, z")
        player.quit()
        check_loaded(player.stderr().splitlines(), "pcm/test", ["key: 7a, 0, z"])
        return player.stdout().splitlines()


def file_identities(directory):
    """Each file's inode and modification time: plessard replaces a file it
    writes again by another one."""
    return {entry.name: (entry.inode(), entry.stat().st_mtime_ns) for entry in os.scandir(directory)}


def check_launcher(launcher, scratch, reference):
    home = scratch / "home"
    home.mkdir()
    data = home / ".local" / "share" / "vellicor"
    bank = data / "pcm"
    writing = f"{LAUNCHER}: writing the default bank into {bank}"
    playing = f"{LAUNCHER}: playing in {data}: vellicor"
    names = sorted(f"test.{n}.pcm" for n in range(SLOTS))

    def check_written_bank(what):
        files = sorted(path for path in home.rglob("*") if not path.is_dir())
        check(files == [bank / name for name in names], f"{what}: the home directory holds {files[:3]} ...")
        _, differing, errors = filecmp.cmpfiles(bank, reference, names, shallow=False)
        check(differing == errors == [], f"{what}: differs from plessard's own bank: {differing + errors}")

    output = play_from_menu(launcher, scratch / "first", home)
    check(output == [writing, playing, ""], f"first start: standard output {output}")
    check_written_bank("first start")
    written = file_identities(bank)

    output = play_from_menu(launcher, scratch / "second", home)
    check(output == [playing, ""], f"second start: standard output {output}")
    check(file_identities(bank) == written, "the second start wrote the bank again")

    # A first start cut short leaves the first slots' files and not the last.
    (bank / f"test.{SLOTS - 1}.pcm").unlink()
    output = play_from_menu(launcher, scratch / "third", home)
    check(output == [writing, playing, ""], f"start after an incomplete bank: standard output {output}")
    check_written_bank("start after an incomplete bank")


def check_launcher_failures(launcher, scratch):
    """Each failed step is one line on standard error and status 1; the
    player, which would print its bank's lines, never starts."""
    in_the_way = scratch / "in-the-way"
    in_the_way.write_text("")
    unwritable_bank = scratch / "unwritable" / ".local" / "share" / "vellicor"
    unwritable_bank.mkdir(parents=True)
    (unwritable_bank / "pcm").write_text("")  # a file where plessard makes its directory
    alone = scratch / "alone" / LAUNCHER
    alone.parent.mkdir()
    shutil.copy(launcher, alone)
    cases = (
        ("data directory under a file", launcher, scratch / "unused", {"XDG_DATA_HOME": str(in_the_way)},
         f"{LAUNCHER}: mkdir: "),
        ("plessard failing", launcher, scratch / "unwritable", {}, "pcm/test.0.pcm: can't write file."),
        ("plessard missing", alone, scratch / "unused", {}, f"{alone.parent}/plessard is missing"),
    )
    environment = {name: value for name, value in os.environ.items() if name != "XDG_DATA_HOME"}
    for what, program, home, env, expected in cases:
        try:
            result = subprocess.run([program], env={**environment, "HOME": str(home), **env},
                                    stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=20)
        except subprocess.TimeoutExpired:
            raise Failure(f"{what}: still running after 20 s, the player started")
        errors = result.stderr.splitlines()
        check(result.returncode == 1 and len(errors) == 1 and errors[0].startswith(f"{LAUNCHER}: ")
              and expected in errors[0],
              f"{what}: status {result.returncode}, standard error {errors}, expected one line with {expected!r}")
        check("playing" not in result.stdout, f"{what}: {result.stdout!r}")
    check(not (scratch / "unused").exists(), "a failed start wrote into the home directory")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vellicor", required=True, type=os.path.abspath)
    parser.add_argument("--launcher", required=True, type=os.path.abspath)
    parser.add_argument("--wm-close", required=True, type=os.path.abspath)
    parser.add_argument("--base", required=True, type=os.path.abspath, help="base path of a default bank")
    options = parser.parse_args()

    def run():
        with tempfile.TemporaryDirectory(prefix="vellicor-install-") as scratch:
            scratch = Path(scratch)
            with Player(options.vellicor, scratch / "vellicor", args=[options.base],
                        audio_driver="dummy") as player:
                check_window(player, options.wm_close, options.base)
            check_launcher(options.launcher, scratch, Path(options.base).parent)
            check_launcher_failures(options.launcher, scratch)
    return run_script("installed vellicor and vellicor-play: the bank loaded and played, "
                      "the launcher's bank written once, its failures one line", run)


if __name__ == "__main__":
    sys.exit(main())
