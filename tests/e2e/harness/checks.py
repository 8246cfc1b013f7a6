"""Failures, checks and waiting on conditions."""
import sys
import time


class Failure(Exception):
    pass


class SoundGlitch(Failure):
    """A recording that does not sound as the keys were played: a dropout,
    a tone cut in two, a length or a level off."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_sound(condition, message):
    if not condition:
        raise SoundGlitch(message)


def once_more_after_a_glitch(play):
    """Runs `play()`, and once more when its recording was spoilt. A
    two-core virtual machine now and then wakes a realtime thread tens of
    milliseconds late, and the sound server then plays a gap that no player
    can prevent; a player that plays wrongly spoils both recordings."""
    try:
        play()
    except SoundGlitch as glitch:
        print(f"recording spoilt ({glitch}); playing once more", file=sys.stderr)
        play()


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.02)
    raise Failure(f"timed out waiting for {what}")


def report(heading, lines):
    print(f"--- {heading}:\n" + "\n".join(lines), file=sys.stderr)


class Service:
    """A context manager around something started on entry and stopped on
    exit whatever happens; on a failure inside it, its `report_failure`
    prints what it logged first."""

    def start(self):
        pass

    def stop(self):
        raise NotImplementedError

    def report_failure(self):
        pass

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, kind, error, trace):
        try:
            if isinstance(error, Failure):
                self.report_failure()
        finally:
            self.stop()
        return False
