#!/usr/bin/env python3
"""End-to-end checks of vellicor: the real program in an X server, typed at
with xdotool, its sound captured through SDL's disk audio driver.

Usage: vellicor_e2e.py --vellicor PATH --wm-close PATH --bank DIR CASE
Uses $DISPLAY, or starts its own Xvfb when none is set.
"""
import argparse
import array
import math
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

RATE = 44100
CHANNELS = 2  # the engine opens the disk device as 16-bit stereo
WINDOW_SECONDS = 0.01
LOUD_RMS = 500.0
STARTUP_TIMEOUT = 30.0


def slot_frequency(slot):
    return 440.0 * 2.0 ** (slot / 12.0)


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.02)
    raise Failure(f"timed out waiting for {what}")


def loud_runs(samples, window, threshold):
    """Runs of consecutive windows of `window` samples whose RMS exceeds
    `threshold`, as (first window, end window) index pairs."""
    loud = []
    for start in range(0, len(samples) - window + 1, window):
        chunk = samples[start:start + window]
        loud.append(math.sqrt(sum(v * v for v in chunk) / window) > threshold)
    runs = []
    i = 0
    while i < len(loud):
        if not loud[i]:
            i += 1
            continue
        j = i
        while j < len(loud) and loud[j]:
            j += 1
        runs.append((i, j))
        i = j
    return runs


def xdotool(*args, timeout=10.0):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True,
                          timeout=timeout).stdout


class Player:
    """One run of vellicor with its output and sound going to files; a
    `launcher` (Wine's loader) runs it when given."""

    def __init__(self, vellicor, workdir, args=(), audio_driver="disk", extra_env=None, launcher=()):
        self.workdir = Path(workdir)
        self.out_path = self.workdir / "stdout.txt"
        self.err_path = self.workdir / "stderr.txt"
        self.audio_path = self.workdir / "audio.raw"
        # No driver: the engine picks its output itself, as for a user.
        env = dict(os.environ, SDL_AUDIODRIVER=audio_driver or "", SDL_DISKAUDIOFILE=str(self.audio_path))
        if audio_driver is None:
            del env["SDL_AUDIODRIVER"]
        env.update(extra_env or {})
        with self.out_path.open("wb") as out, self.err_path.open("wb") as err:
            self.process = subprocess.Popen([*launcher, vellicor, *args], cwd=self.workdir, env=env,
                                            stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        self.window = None
        self.started = time.monotonic()
        self.exited = None

    def stdout(self):
        return self.out_path.read_text(errors="replace")

    def stderr(self):
        return self.err_path.read_text(errors="replace")

    def open_window(self):
        """Waits for the visible window and gives it the keyboard focus."""
        found = xdotool("search", "--sync", "--onlyvisible", "--name", "^Vellicor$",
                        timeout=STARTUP_TIMEOUT).split()
        check(len(found) == 1, f"expected one Vellicor window, found {found}")
        self.window = found[0]
        xdotool("windowfocus", "--sync", self.window)
        return self.window

    def wait_for_stderr(self, text, timeout=5.0):
        wait_until(lambda: text in self.stderr(), timeout, repr(text) + " on standard error")

    def wait_for_stdout_lines(self, count, timeout=5.0):
        wait_until(lambda: self.stdout().count("\n") >= count, timeout, f"{count} lines on standard output")

    def hold(self, key, seconds):
        """Holds `key` down; returns how long it really was held."""
        xdotool("keydown", key)
        start = time.monotonic()
        time.sleep(seconds)
        xdotool("keyup", key)
        return time.monotonic() - start

    def exit_status(self, timeout=10.0):
        try:
            status = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("vellicor did not exit")
        self.exited = self.exited or time.monotonic()
        return status

    def quit(self, key="Escape"):
        xdotool("key", key)
        check(self.exit_status() == 0, f"{key}: exit status {self.process.returncode}")

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def audio_segments(self, tail=None):
        """The sounding stretches of the captured output, each as
        (start seconds, duration seconds, frequency Hz); the frequency is
        that of the last `tail` seconds when given."""
        samples = array.array("h")
        samples.frombytes(self.audio_path.read_bytes())
        left = samples[0::CHANNELS]
        window = int(RATE * WINDOW_SECONDS)
        segments = []
        for i, j in loud_runs(left, window, LOUD_RMS):
            first = i * window if tail is None else max(i * window, j * window - int(RATE * tail))
            piece = left[first:j * window]
            rises = [k for k in range(1, len(piece)) if piece[k - 1] < 0 <= piece[k]]
            cycles = len(rises) - 1
            frequency = cycles * RATE / (rises[-1] - rises[0]) if cycles > 0 else 0.0
            segments.append((i * WINDOW_SECONDS, (j - i) * WINDOW_SECONDS, frequency))
        return segments

    def audio_speed(self):
        """Seconds of captured sound per second of the program's run: SDL's
        disk driver paces its writes only roughly."""
        frames = self.audio_path.stat().st_size / (2 * CHANNELS)
        return frames / RATE / (self.exited - self.started)


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


def check_lone_tone_then_silence(player, slot, held, what, silence):
    """The capture holds one tone, of `slot` for about `held` seconds, and
    at least `silence` seconds without sound after it."""
    segments = player.audio_segments()
    check(len(segments) == 1, f"expected one tone, got {segments}")
    speed = player.audio_speed()
    check_tone(segments[0], slot, held, speed, what)
    start, length, _ = segments[0]
    after = player.audio_path.stat().st_size / (2 * CHANNELS * RATE) - (start + length)
    check(after / speed > silence, f"only {after:.2f} s of silence after the release")


def key_lines(stderr):
    return [line for line in stderr.splitlines() if line.startswith("key: ")]


# --- cases -----------------------------------------------------------------

CASES = {}


def case(function):
    CASES[function.__name__] = function
    return function


@case
def held_key_loops_its_slot(player):
    """z held past the end of its 5 s sample sounds slot 0 at 440 Hz without
    a break for as long as it is held, with one key line, then silence."""
    player.open_window()
    held = player.hold("z", 6.0)
    time.sleep(0.5)
    player.quit()
    check(key_lines(player.stderr()) == ["key: 7a, 0, z"], f"key lines: {key_lines(player.stderr())}")
    check_lone_tone_then_silence(player, 0, held, "z", silence=0.2)


@case
def held_key_released_while_the_player_is_stopped(player):
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
    check(key_lines(player.stderr()) == ["key: 7a, 0, z"], f"key lines: {key_lines(player.stderr())}")
    check(len(player.audio_segments()) == 1, f"expected one tone, got {player.audio_segments()}")


@case
def shared_and_unmapped_keys(player):
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

    lines = key_lines(player.stderr())
    check(lines == ["key: 71, 15, q", "key: 2f, 15, /", "key: 78, 2, x"], f"key lines: {lines}")
    check(player.stdout() == "\n" * 4, f"standard output: {player.stdout()!r}")
    segments = player.audio_segments()
    check(len(segments) == 3, f"expected three tones, got {segments}")
    speed = player.audio_speed()
    check_tone(segments[0], 15, held_q, speed, "q")
    check_tone(segments[1], 15, held_slash, speed, "/")
    check_tone(segments[2], 2, held_x, speed, "x")


def modified_tone(player, steps):
    """Runs xdotool `steps` ("keydown 2", "wait", "keyup 2", ...): each
    "wait" waits for one more key line, then lets the note sound a moment,
    as does "pause". Returns the seconds from the first keydown of a
    playing key to the last keyup of one."""
    start = None
    lines = len(key_lines(player.stderr()))
    for step in steps:
        action, _, key = step.partition(" ")
        if action == "wait":
            lines += 1
            wait_until(lambda: len(key_lines(player.stderr())) >= lines, 5.0, "a key line")
        if action in ("wait", "pause"):
            time.sleep(0.4)
            continue
        xdotool(action, key)
        if key not in ("Shift_L", "Control_L"):
            start = start or time.monotonic()
            end = time.monotonic()
    time.sleep(0.3)
    return end - start


@case
def modifiers_changed_while_keys_are_held(player):
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

    segments = player.audio_segments()
    check(len(segments) == len(tones), f"expected {len(tones)} tones, got {segments}")
    # 6 sounds on alone after 7's release.
    segments[-1] = player.audio_segments(tail=0.3)[-1]
    speed = player.audio_speed()
    for segment, (slot, held) in zip(segments, tones):
        check_tone(segment, slot, held, speed, f"slot {slot}")


@case
def escape_quits_while_sounding(player):
    player.open_window()
    xdotool("keydown", "z")
    player.wait_for_stderr("key: 7a, 0, z")
    time.sleep(0.3)
    xdotool("key", "Escape")
    status = player.exit_status()
    xdotool("keyup", "z")
    check(status == 0, f"exit status {status}")
    check(player.stdout() == "\n", f"standard output: {player.stdout()!r}")
    segments = player.audio_segments()
    check(len(segments) == 1, f"expected one tone, got {segments}")
    start, length, _ = segments[0]
    captured = player.audio_path.stat().st_size / (2 * CHANNELS * RATE)
    check(captured - (start + length) < 0.05, "the slot fell silent before the program ended")


@case
def window_close_exits_with_status_0(player):
    """A close request from the window manager; on a second run, the window
    destroyed by another program (which sends no close request) with a note
    sounding, after an unmap and map that must not end the player."""
    window = player.open_window()
    subprocess.run([OPTIONS.wm_close, window], check=True, timeout=10)
    status = player.exit_status()
    check(status == 0, f"exit status {status}")
    check(player.stdout() == "", f"standard output: {player.stdout()!r}")

    second = Player(OPTIONS.vellicor, player.workdir, args=[str(Path(OPTIONS.bank) / "pcm" / "test")])
    try:
        window = second.open_window()
        xdotool("windowunmap", "--sync", window)
        xdotool("windowmap", "--sync", window)
        xdotool("windowfocus", "--sync", window)
        xdotool("keydown", "z")
        second.wait_for_stderr("key: 7a, 0, z")
        check(second.process.poll() is None, "the player ended on an unmap")
        xdotool("windowclose", window)
        status = second.exit_status()
        check(status == 0, f"window destroyed: exit status {status}")
    finally:
        xdotool("keyup", "z")
        second.stop()


@case
def help_and_version_open_no_window(player):
    """-h and --help print the usage and one line per option, --version the
    version, with status 0 and no display to open."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    for option, expected in (("-h", r"usage: vellicor \[base \[freeglut-option \.\.\.\]\]\n(  .*\n){4}"),
                             ("--help", r"usage: vellicor .*\n(  .*\n){4}"), ("--version", r"vellicor \d+\.\d+\.\d+\n")):
        result = subprocess.run([OPTIONS.vellicor, option], env=env, capture_output=True, text=True, timeout=10)
        check(result.returncode == 0 and re.fullmatch(expected, result.stdout) and result.stderr == "",
              f"{option}: status {result.returncode}, {result.stdout!r}, {result.stderr!r}")


@case
def unloaded_slots_and_control_quit_keys(player):
    """With slots 0 to 2 loaded, the key of slot 3, whose file is missing,
    says the play failed, and that of slot 4, after it, that the source
    voice failed. Ctrl+[ gives Escape's character and quits."""
    player.open_window()
    for key, line in (("c", "key: 63, 3, c\nmyxa2: play failed.\n"),
                      ("f", "key: 66, 4, f\nmyxa2: source voice failed.\n")):
        xdotool("key", key)
        player.wait_for_stderr(line)
    player.quit("ctrl+bracketleft")
    check(player.stdout() == "\n", f"standard output: {player.stdout()!r}")


@case
def interrupt_and_terminate_end_the_player(player):
    """SIGINT ends the player like any console program; SIGTERM is checked
    on a second run."""
    player.open_window()
    player.process.send_signal(signal.SIGINT)
    check(player.exit_status() == -signal.SIGINT, f"SIGINT: exit status {player.process.returncode}")
    second = Player(OPTIONS.vellicor, player.workdir, args=[str(Path(OPTIONS.bank) / "pcm" / "test")])
    try:
        second.open_window()
        second.process.send_signal(signal.SIGTERM)
        check(second.exit_status() == -signal.SIGTERM, f"SIGTERM: exit status {second.process.returncode}")
    finally:
        second.stop()


@case
def other_input_does_nothing(player):
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
    check(player.stdout() == "\n", f"standard output: {player.stdout()!r}")
    check(player.audio_segments() == [], f"sound: {player.audio_segments()}")


@case
def no_samples_and_no_sound_device(player):
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

OPTIONS = None


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                               "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = pipe.readline().strip()
    check(display != "", "Xvfb did not start")
    os.environ["DISPLAY"] = ":" + display
    return server


def run(name):
    with tempfile.TemporaryDirectory(prefix="vellicor-e2e-") as workdir:
        if name == "no_samples_and_no_sound_device":
            player = Player(OPTIONS.vellicor, workdir, audio_driver="e2e_no_such_driver")
        elif name == "unloaded_slots_and_control_quit_keys":
            os.mkdir(Path(workdir) / "pcm")
            for slot in range(3):
                os.symlink(Path(OPTIONS.bank) / "pcm" / f"test.{slot}.pcm", Path(workdir) / "pcm" / f"test.{slot}.pcm")
            player = Player(OPTIONS.vellicor, workdir)
        else:
            player = Player(OPTIONS.vellicor, workdir, args=[str(Path(OPTIONS.bank) / "pcm" / "test")])
        try:
            CASES[name](player)
        except Failure as failure:
            print(f"FAILED {name}: {failure}", file=sys.stderr)
            print("--- vellicor stdout:\n" + player.stdout(), file=sys.stderr)
            print("--- vellicor stderr (last lines):\n" + "\n".join(player.stderr().splitlines()[-15:]),
                  file=sys.stderr)
            return 1
        finally:
            player.stop()
    print(f"passed {name}")
    return 0


def main():
    global OPTIONS
    parser = argparse.ArgumentParser()
    parser.add_argument("--vellicor", required=True)
    parser.add_argument("--wm-close", required=True)
    parser.add_argument("--bank", required=True, help="directory holding pcm/test.N.pcm")
    parser.add_argument("case", choices=sorted(CASES))
    OPTIONS = parser.parse_args()
    for path in ("vellicor", "wm_close", "bank"):
        setattr(OPTIONS, path, os.path.abspath(getattr(OPTIONS, path)))
    server = None if os.environ.get("DISPLAY") else start_xvfb()
    try:
        return run(OPTIONS.case)
    finally:
        if server:
            server.terminate()
            server.wait()


if __name__ == "__main__":
    sys.exit(main())
