"""The X server the cases type into, and xdotool."""
import contextlib
import os
import subprocess

from .checks import check


def xdotool(*args, timeout=10.0):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True,
                          timeout=timeout).stdout


@contextlib.contextmanager
def x_display():
    """$DISPLAY when set, else a private Xvfb for as long as the block runs."""
    if os.environ.get("DISPLAY"):
        yield
        return
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                               "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        with os.fdopen(read_end) as pipe:
            display = pipe.readline().strip()
        check(display != "", "Xvfb did not start")
        os.environ["DISPLAY"] = ":" + display
        yield
    finally:
        server.terminate()
        server.wait()
