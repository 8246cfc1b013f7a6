#!/usr/bin/env python3
"""End-to-end checks of vellicor: the real program in an X server, typed at
with xdotool, its sound captured through SDL's disk audio driver.

Usage: vellicor_e2e.py --vellicor PATH --wm-close PATH --bank DIR CASE
Uses $DISPLAY, or starts its own Xvfb when none is set.
"""
import argparse
import contextlib
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.dont_write_bytecode = True  # the harness leaves no __pycache__ in the source tree
from harness.checks import check, wait_until  # noqa: E402
from harness.player import Player, bank_player  # noqa: E402
from harness.running import run_script  # noqa: E402
from harness.signal_analysis import slot_frequency  # noqa: E402
from harness.x_display import xdotool  # noqa: E402


def first_three_slots(settings, workdir):
    """A player in a directory whose pcm/ holds slots 0 to 2 of the bank."""
    (workdir / "pcm").mkdir()
    for slot in range(3):
        (workdir / "pcm" / f"test.{slot}.pcm").symlink_to(Path(settings.bank) / "pcm" / f"test.{slot}.pcm")
    return Player(settings.vellicor, workdir)


def no_sound_device(settings, workdir):
    return Player(settings.vellicor, workdir, audio_driver="e2e_no_such_driver")


def no_player(settings, workdir):
    return contextlib.nullcontext()


def check_tone(segment, slot, held, speed, what):
    """The tone's pitch is the slot's; it lasts about as long as the key was
    held, allowing for key latency and the capture's uneven pace."""
    _, captured, frequency = segment
    expected = slot_frequency(slot)
    check(abs(frequency - expected) < expected * 0.005,
          f"{what}: {frequency:.1f} Hz, expected slot {slot} at {expected:.1f} Hz")
    duration = captured / speed
    print(f"{what}: {frequency:.1f} Hz for {duration:.2f} s, held {held:.2f} s")
    check(held * 0.9 - 0.2 < duration < held * 1.1 + 0.4,
          f"{what}: sounded {duration:.2f} s ({captured:.2f} s captured) for a key held {held:.2f} s")


def check_tones(player, tones, last_tail=None):
    """The capture holds one tone per (slot, seconds held, name) of `tones`,
    each as check_tone wants; the last one's pitch is that of its final
    `last_tail` seconds when given. Returns the tones and the capture's
    speed."""
    segments = player.audio_segments()
    check(len(segments) == len(tones), f"expected {len(tones)} tones, got {segments}")
    if last_tail:
        segments[-1] = player.audio_segments(tail=last_tail)[-1]
    speed = player.audio_speed()
    for segment, (slot, held, what) in zip(segments, tones):
        check_tone(segment, slot, held, speed, what)
    return segments, speed


# --- cases -----------------------------------------------------------------

CASES = {}


def case(make_player=bank_player):
    """Registers a case, run with the player `make_player(settings,
    workdir)` makes."""
    def register(function):
        CASES[function.__name__] = (function, make_player)
        return function
    return register


@case()
def held_key_loops_its_slot(player, settings):
    """z held past the end of its 5 s sample sounds slot 0 at 440 Hz without
    a break for as long as it is held, with one key line, then silence."""
    player.open_window()
    held = player.hold("z", 6.0)
    time.sleep(0.5)
    player.quit()
    player.check_key_lines("7a, 0, z")
    [(start, length, _)], speed = check_tones(player, [(0, held, "z")])
    after = player.audio_seconds() - (start + length)
    check(after / speed > 0.2, f"only {after:.2f} s of silence after the release")


@case()
def held_key_released_while_the_player_is_stopped(player, settings):
    """z held until the keyboard repeats it, then let go while the player is
    stopped, so that it reads the repeats and the release late: one key line
    and one tone still."""
    player.open_window()
    xdotool("keydown", "z")
    player.wait_for_stderr("key: 7a, 0, z")
    time.sleep(1.0)  # past the X server's repeat delay of 660 ms
    player.process.send_signal(signal.SIGSTOP)
    try:
        time.sleep(0.3)  # repeats queue up meanwhile
        xdotool("keyup", "z")
    finally:
        player.process.send_signal(signal.SIGCONT)
    time.sleep(0.3)
    player.quit()
    player.check_key_lines("7a, 0, z")
    check(len(player.audio_segments()) == 1, f"expected one tone, got {player.audio_segments()}")


@case()
def shared_and_unmapped_keys(player, settings):
    """q and / both sound slot 15; a, Z and 1 print an empty line and sound
    nothing; x held for 2 s is one press and one release."""
    player.open_window()
    held_q = player.hold("q", 0.5)
    time.sleep(0.3)
    held_slash = player.hold("slash", 0.5)
    time.sleep(0.3)
    for key in ("a", "Z", "1"):
        xdotool("key", key)
    player.wait_for_stdout_lines(3)
    held_x = player.hold("x", 2.0)
    time.sleep(0.5)
    player.quit()

    player.check_key_lines("71, 15, q", "2f, 15, /", "78, 2, x")
    player.check_stdout("\n" * 4)
    check_tones(player, [(15, held_q, "q"), (15, held_slash, "/"), (2, held_x, "x")])


def modified_tone(player, steps):
    """Runs xdotool `steps` ("keydown 2", "wait", "keyup 2", ...): each
    "wait" waits for one more key line, then lets the note sound a moment,
    as does "pause". Returns the seconds from the first keydown of a
    playing key to the last keyup of one."""
    start = None
    lines = len(player.stderr_lines("key: "))
    for step in steps:
        action, _, key = step.partition(" ")
        if action == "wait":
            lines += 1
            wait_until(lambda: len(player.stderr_lines("key: ")) >= lines, 5.0, "a key line")
        if action in ("wait", "pause"):
            time.sleep(0.4)
            continue
        xdotool(action, key)
        if key not in ("Shift_L", "Control_L"):
            start = start or time.monotonic()
            end = time.monotonic()
    time.sleep(0.3)
    return end - start


@case()
def modifiers_changed_while_keys_are_held(player, settings):
    """On the server's US layout a note lasts as long as its key is held,
    also when Shift or Ctrl changed in between and the release arrives as
    another character: z as Z, 2 as @, 6 as ^, 9 as (, \\ as |, z as
    Ctrl+Z; Shift+; (:), Shift+2 (@), Shift+6 (^) released after Shift; and
    of 6 and 7 held together, 7 released as & ends only 7's note."""
    player.open_window()
    tones = []
    for key, slot in (("z", 0), ("2", 16), ("6", 23), ("9", 28), ("backslash", 17), ("0", 30)):
        tones.append((slot, modified_tone(player, [f"keydown {key}", "wait", "keydown Shift_L",
                                                   f"keyup {key}", "keyup Shift_L"])))
    tones.append((0, modified_tone(player, ["keydown z", "wait", "keydown Control_L", "keyup z",
                                            "keyup Control_L"])))
    for key, slot in (("semicolon", 16), ("2", 32), ("6", 33)):
        tones.append((slot, modified_tone(player, ["keydown Shift_L", f"keydown {key}", "wait", "keyup Shift_L",
                                                   f"keyup {key}"])))
    tones.append((23, modified_tone(player, ["keydown 6", "wait", "keydown 7", "wait", "keydown Shift_L",
                                             "keyup 7", "keyup Shift_L", "pause", "keyup 6"])))
    player.quit()

    # 6 sounds on alone after 7's release.
    check_tones(player, [(slot, held, f"slot {slot}") for slot, held in tones], last_tail=0.3)


@case()
def escape_quits_while_sounding(player, settings):
    player.open_window()
    xdotool("keydown", "z")
    player.wait_for_stderr("key: 7a, 0, z")
    time.sleep(0.3)
    xdotool("key", "Escape")
    status = player.exit_status()
    xdotool("keyup", "z")
    check(status == 0, f"exit status {status}")
    player.check_stdout("\n")
    segments = player.audio_segments()
    check(len(segments) == 1, f"expected one tone, got {segments}")
    start, length, _ = segments[0]
    check(player.audio_seconds() - (start + length) < 0.05, "the slot fell silent before the program ended")


@case()
def window_close_exits_with_status_0(player, settings):
    """A close request from the window manager; on a second run, the window
    destroyed by another program (which sends no close request) with a note
    sounding, after an unmap and map that must not end the player."""
    window = player.open_window()
    subprocess.run([settings.wm_close, window], check=True, timeout=10)
    player.check_exit()
    player.check_stdout("")

    with bank_player(settings, player.workdir) as second:
        try:
            window = second.open_window()
            xdotool("windowunmap", "--sync", window)
            xdotool("windowmap", "--sync", window)
            xdotool("windowfocus", "--sync", window)
            xdotool("keydown", "z")
            second.wait_for_stderr("key: 7a, 0, z")
            check(second.process.poll() is None, "the player ended on an unmap")
            xdotool("windowclose", window)
            second.check_exit(what="window destroyed: exit status")
        finally:
            xdotool("keyup", "z")


@case(no_player)
def help_and_version_open_no_window(_, settings):
    """-h and --help print the usage and one line per option, --version the
    version, with status 0 and no display to open."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    for option, expected in (("-h", r"usage: vellicor \[base \[freeglut-option \.\.\.\]\]\n(  .*\n){4}"),
                             ("--help", r"usage: vellicor .*\n(  .*\n){4}"), ("--version", r"vellicor \d+\.\d+\.\d+\n")):
        result = subprocess.run([settings.vellicor, option], env=env, capture_output=True, text=True, timeout=10)
        check(result.returncode == 0 and re.fullmatch(expected, result.stdout) and result.stderr == "",
              f"{option}: status {result.returncode}, {result.stdout!r}, {result.stderr!r}")


@case(first_three_slots)
def unloaded_slots_and_control_quit_keys(player, settings):
    """With slots 0 to 2 loaded, the key of slot 3, whose file is missing,
    says the play failed, and that of slot 4, after it, that the source
    voice failed. Ctrl+[ gives Escape's character and quits."""
    player.open_window()
    for key, line in (("c", "key: 63, 3, c\nmyxa2: play failed.\n"),
                      ("f", "key: 66, 4, f\nmyxa2: source voice failed.\n")):
        xdotool("key", key)
        player.wait_for_stderr(line)
    player.quit("ctrl+bracketleft")
    player.check_stdout("\n")


@case()
def interrupt_and_terminate_end_the_player(player, settings):
    """SIGINT ends the player like any console program; SIGTERM is checked
    on a second run."""
    player.open_window()
    player.process.send_signal(signal.SIGINT)
    player.check_exit(-signal.SIGINT, "SIGINT: exit status")
    with bank_player(settings, player.workdir) as second:
        second.open_window()
        second.process.send_signal(signal.SIGTERM)
        second.check_exit(-signal.SIGTERM, "SIGTERM: exit status")


@case()
def other_input_does_nothing(player, settings):
    """Arrow and function keys, mouse buttons, motion and the wheel reach
    the window and print nothing and sound nothing. Ctrl+3 gives Escape's
    character and quits."""
    window = player.open_window()
    before = player.stderr()
    for key in ("Left", "Right", "Up", "Down", "F1", "Home"):
        xdotool("key", key)
    xdotool("mousemove", "--window", window, "100", "100")
    for button in ("1", "2", "3", "4", "5"):
        xdotool("click", button)
    xdotool("mousedown", "1")
    xdotool("mousemove", "--window", window, "200", "150")
    xdotool("mouseup", "1")
    time.sleep(0.5)
    player.quit("ctrl+3")
    check(player.stderr() == before, f"standard error grew: {player.stderr()[len(before):]!r}")
    player.check_stdout("\n")
    check(player.audio_segments() == [], f"sound: {player.audio_segments()}")


@case(no_sound_device)
def no_samples_and_no_sound_device(player, settings):
    """Without sample files or a sound device the window still opens after
    the failure lines, and mapped keys still print their key line."""
    player.open_window()
    errors = player.stderr().splitlines()
    for line in ("pcm/test.0.pcm: can't open file.", "pcm load: 0 failed.", "myxa2: master voice failed."):
        check(line in errors, f"missing {line!r} in {errors}")
    xdotool("key", "z")
    player.wait_for_stderr("key: 7a, 0, z")
    player.quit()


# --- running ---------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vellicor", required=True, type=os.path.abspath)
    parser.add_argument("--wm-close", required=True, type=os.path.abspath)
    parser.add_argument("--bank", required=True, type=os.path.abspath, help="directory holding pcm/test.N.pcm")
    parser.add_argument("case", choices=sorted(CASES))
    settings = parser.parse_args()
    function, make_player = CASES[settings.case]

    def run():
        with tempfile.TemporaryDirectory(prefix="vellicor-e2e-") as workdir:
            with make_player(settings, Path(workdir)) as player:
                function(player, settings)
    return run_script(settings.case, run)


if __name__ == "__main__":
    sys.exit(main())
