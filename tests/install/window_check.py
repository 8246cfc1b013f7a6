#!/usr/bin/env python3
"""Runs an installed vellicor on a bank with SDL's dummy audio driver in the
X server of $DISPLAY, waits for its window, closes it the way a window
manager does and expects exit status 0, the whole bank loaded and the audio
output opened.

Usage: window_check.py --vellicor PATH --wm-close PATH --base BASE_PATH
"""
import argparse
import os
import subprocess
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True  # the harness leaves no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
# The window is found and closed as in the end-to-end tests.
from harness.checks import check  # noqa: E402
from harness.player import Player  # noqa: E402
from harness.running import run_script  # noqa: E402


def check_window(player, wm_close, base):
    window = player.open_window()
    subprocess.run([wm_close, window], check=True, timeout=10)
    status = player.exit_status()
    check(status == 0, f"exit status {status}")
    errors = player.stderr().splitlines()
    sizes = [f"{base}.{n}.pcm: 441000" for n in range(128)]
    check(errors[:128] == sizes, f"the bank did not load: {errors[:3]} ... {errors[125:129]}")
    check(errors[128:] == [], f"unexpected lines on standard error: {errors[128:]}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vellicor", required=True)
    parser.add_argument("--wm-close", required=True)
    parser.add_argument("--base", required=True, help="base path of a default bank")
    options = parser.parse_args()
    # vellicor runs in a scratch directory.
    for path in ("vellicor", "wm_close", "base"):
        setattr(options, path, os.path.abspath(getattr(options, path)))

    def run():
        with tempfile.TemporaryDirectory(prefix="vellicor-install-") as workdir, \
                Player(options.vellicor, workdir, args=[options.base], audio_driver="dummy") as player:
            check_window(player, options.wm_close, options.base)
    return run_script("installed vellicor: window opened on the bank and closed, status 0", run)


if __name__ == "__main__":
    sys.exit(main())
