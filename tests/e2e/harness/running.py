"""The frame of every end-to-end script: an X display, and one line saying
whether the run passed."""
import signal
import sys

from .checks import Failure
from .x_display import x_display


def run_script(name, body):
    """Runs `body()` under an X display; returns the exit status."""
    # A terminated test still stops its servers and players.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        with x_display():
            body()
    except Failure as failure:
        print(f"FAILED {name}: {failure}", file=sys.stderr)
        return 1
    print(f"passed {name}")
    return 0
