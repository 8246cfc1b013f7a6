"""vellicor run with its output, and with SDL's disk driver its sound, going
to files in a working directory."""
import array
import os
import subprocess
import time
from pathlib import Path

from .checks import Failure, Service, check, report, wait_until
from .signal_analysis import loud_runs
from .x_display import xdotool

DISK_RATE = 44100
DISK_CHANNELS = 2  # the engine opens the disk device as 16-bit stereo
WINDOW_SECONDS = 0.01
LOUD_RMS = 500.0
STARTUP_TIMEOUT = 30.0


def test_bank(bank):
    """The base path of the test bank in a directory holding pcm/test.N.pcm."""
    return str(Path(bank) / "pcm" / "test")


def bank_player(settings, workdir, **options):
    """The player of the run's `settings` (.vellicor, .bank) on the test bank."""
    return Player(settings.vellicor, workdir, args=[test_bank(settings.bank)], **options)


class Player(Service):
    """One run of `program`; a `launcher` (Wine's loader) runs it when
    given. With `audio_driver` None the engine picks its output itself, as
    for a user."""

    def __init__(self, program, workdir, args=(), audio_driver="disk", extra_env=None, launcher=()):
        self.argv = [*launcher, str(program), *args]
        self.workdir = Path(workdir)
        self.out_path = self.workdir / "stdout.txt"
        self.err_path = self.workdir / "stderr.txt"
        self.audio_path = self.workdir / "audio.raw"
        self.env = dict(os.environ, SDL_AUDIODRIVER=audio_driver or "", SDL_DISKAUDIOFILE=str(self.audio_path))
        if audio_driver is None:
            del self.env["SDL_AUDIODRIVER"]
        self.env.update(extra_env or {})
        self.process = None

    def start(self):
        self.workdir.mkdir(parents=True, exist_ok=True)
        with self.out_path.open("wb") as out, self.err_path.open("wb") as err:
            self.process = subprocess.Popen(self.argv, cwd=self.workdir, env=self.env,
                                            stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        self.started = time.monotonic()
        self.exited = None

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def report_failure(self):
        report("vellicor stdout", self.stdout().splitlines())
        report("vellicor stderr (last lines)", self.stderr().splitlines()[-15:])

    def stdout(self):
        return self.out_path.read_text(errors="replace")

    def stderr(self):
        return self.err_path.read_text(errors="replace")

    def stderr_lines(self, prefix):
        return [line for line in self.stderr().splitlines() if line.startswith(prefix)]

    def check_key_lines(self, *keys):
        """The key lines are those of `keys` ("7a, 0, z", ...), in order."""
        lines = self.stderr_lines("key: ")
        check(lines == [f"key: {key}" for key in keys], f"key lines: {lines}")

    def check_engine_ran(self):
        check("myxa2:" not in self.stderr(), f"engine failure: {self.stderr().splitlines()[-3:]}")

    def check_stdout(self, expected):
        check(self.stdout() == expected, f"standard output: {self.stdout()!r}")

    def open_window(self):
        """Waits for the visible window and gives it the keyboard focus."""
        found = xdotool("search", "--sync", "--onlyvisible", "--name", "^Vellicor$",
                        timeout=STARTUP_TIMEOUT).split()
        check(len(found) == 1, f"expected one Vellicor window, found {found}")
        xdotool("windowfocus", "--sync", found[0])
        return found[0]

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

    def check_exit(self, expected=0, what="exit status"):
        status = self.exit_status()
        check(status == expected, f"{what}: {status}")

    def quit(self, key="Escape"):
        xdotool("key", key)
        self.check_exit(what=f"{key}: exit status")

    def audio_seconds(self):
        """Seconds of sound SDL's disk driver captured."""
        return self.audio_path.stat().st_size / (2 * DISK_CHANNELS * DISK_RATE)

    def audio_segments(self, tail=None):
        """The sounding stretches of the captured output, each as
        (start seconds, duration seconds, frequency Hz); the frequency is
        that of the last `tail` seconds when given."""
        samples = array.array("h")
        samples.frombytes(self.audio_path.read_bytes())
        left = samples[0::DISK_CHANNELS]
        window = int(DISK_RATE * WINDOW_SECONDS)
        segments = []
        for i, j in loud_runs(left, window, LOUD_RMS):
            first = i * window if tail is None else max(i * window, j * window - int(DISK_RATE * tail))
            piece = left[first:j * window]
            rises = [k for k in range(1, len(piece)) if piece[k - 1] < 0 <= piece[k]]
            cycles = len(rises) - 1
            frequency = cycles * DISK_RATE / (rises[-1] - rises[0]) if cycles > 0 else 0.0
            segments.append((i * WINDOW_SECONDS, (j - i) * WINDOW_SECONDS, frequency))
        return segments

    def audio_speed(self):
        """Seconds of captured sound per second of the program's run: SDL's
        disk driver paces its writes only roughly."""
        return self.audio_seconds() / (self.exited - self.started)
