"""Failures, checks and waiting on conditions."""
import sys
import time


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
