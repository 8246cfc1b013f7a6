#!/usr/bin/env python3
"""Key-to-sound latency of vellicor through a private PulseAudio or PipeWire
daemon, from the X key press to the server's playback point, in parts:

  event    the XTest press sent (XFlush) to freeglut's keyboard callback
  render   keyboard callback to the return of the first period carrying the voice
  handover that period to the call that hands it to the server (0 on the
           engine's own outputs, which render in that call)
  server   that call to the sink taking the sound: on PipeWire as the sink
           sees it (monitor_onsets), which counts every buffer on the way;
           on PulseAudio the buffering the server reports for the stream

Usage: key_latency.py --vellicor PATH --shim PATH --onsets PATH --bank DIR [--presses N]
                      [--sdl [--period FRAMES]] [--soak SECONDS [--busy N]]
                      {pulseaudio,pipewire}
Plays through the engine's own output for the server, or with --sdl through
SDL's driver for it. The sink's monitor is recorded all along: each press
must give exactly one stretch of sound, and every extra stretch is a gap,
an underrun. --soak holds an octave (z and comma) instead, with --busy
busy loops running, and counts its gaps.
"""
import argparse
import contextlib
import ctypes
import os
import random
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.dont_write_bytecode = True  # the harness leaves no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))
from harness.checks import wait_until  # noqa: E402
from harness.player import bank_player  # noqa: E402
from harness.signal_analysis import SINK_RATE, amplitude_at, dropouts, interior, segments, stream_buffering  # noqa: E402
from harness.sound_servers import SERVERS, SINK  # noqa: E402
from harness.x_display import x_display  # noqa: E402


class Keyboard:
    """XTest presses from this process, timed on the player's clock."""

    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        # A pointer object, not an int, so that calls pass it whole.
        self.display = ctypes.c_void_p(self.x11.XOpenDisplay(os.environ["DISPLAY"].encode()))
        if not self.display:
            raise SystemExit("cannot open the X display")

    def code(self, name):
        return self.x11.XKeysymToKeycode(self.display, ctypes.c_ulong(self.x11.XStringToKeysym(name.encode())))

    def send(self, code, down):
        self.xtst.XTestFakeKeyEvent(self.display, code, 1 if down else 0, 0)
        sent = time.monotonic_ns()
        self.x11.XFlush(self.display)
        return sent


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


def start_player(server, workdir, options):
    env = dict(server.client_env(), LD_PRELOAD=options.shim)
    if options.period:
        env["KEYLAT_PERIOD"] = str(options.period)
    return bank_player(options, workdir, audio_driver=server.name if options.sdl else None, extra_env=env)


def settings(player):
    return player.stderr_lines("keylat-settings:")[0].split(" ", 1)[1]


def gaps_heard(samples, tones):
    """Stretches of sound beyond the `tones` expected, and dropouts inside
    them, at the level of the longest."""
    stretches = segments(samples)
    # A gap splits a stretch, or leaves a hole too short to split it.
    gaps = len(stretches) - tones
    if stretches:
        longest = max(stretches, key=lambda stretch: stretch[1] - stretch[0])
        piece = interior(samples, longest)[:SINK_RATE]
        level = amplitude_at(piece, 440.0)
        gaps += sum(len(dropouts(samples, stretch, level)) for stretch in stretches)
    return gaps


def buffering_steps(player):
    """What the engine's own output asked of the server after its start:
    one line per step, "SECONDS TEXT"."""
    return [line.split(" ", 1)[1] for line in player.stderr_lines("keylat-step:")]


def print_steps(steps):
    if steps:
        print("  buffering steps: " + "; ".join(f"at {step.replace(' ', ' s: ', 1)}" for step in steps))
        print(f"  buffering at the end: {steps[-1].split(' ', 1)[1]}")
    else:
        print("  buffering steps: none")


def underflow_count(player):
    underflows = player.stderr_lines("keylat-underflows:")
    return int(underflows[0].split()[1]) if underflows else None


def soak(server, workdir, options):
    """An octave held for options.soak seconds with options.busy busy loops."""
    loops = []
    with server.record(Path(workdir) / "monitor.raw") as recording, start_player(server, workdir, options) as player:
        try:
            player.open_window()
            server.wait_for_client("vellicor")
            loops = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(options.busy)]
            keyboard = Keyboard()
            for down, pause in ((True, options.soak), (False, 0.3)):
                for key in ("z", "comma"):
                    keyboard.send(keyboard.code(key), down)
                time.sleep(pause)
            player.quit()
            chosen, steps = settings(player), buffering_steps(player)
        finally:
            for loop in loops:
                loop.kill()
                loop.wait()
    gaps = gaps_heard(recording.samples(), 1)
    underflows = underflow_count(player)
    print(f"{options.server}, {chosen}: an octave held {options.soak:.0f} s with {options.busy} busy loops: "
          f"{gaps} gaps heard" + ("" if underflows is None else f", {underflows} underflows reported"))
    if not options.sdl:
        print_steps(steps)


@contextlib.contextmanager
def sink_onsets(server, workdir, options):
    """On PipeWire, monitor_onsets running on the sink; yields a function
    that reads the onsets it printed so far, None elsewhere."""
    if server.name != "pipewire":
        yield None
        return
    path = Path(workdir) / "onsets.txt"
    with path.open("w") as out:
        probe = subprocess.Popen([options.onsets, SINK], env=dict(os.environ, **server.client_env()),
                                 stdout=out, stderr=subprocess.STDOUT)
    try:
        server.wait_for_client("monitor_onsets")
        yield lambda: [int(line.split()[1]) for line in path.read_text().splitlines() if line.startswith("onset:")]
    finally:
        probe.terminate()
        probe.wait()


def played_at(onsets, keyboard_ns):
    """The first onset after the press reached the player."""
    later = [onset for onset in onsets if onset > keyboard_ns]
    if not later:
        raise SystemExit("the sink never played a press")
    return later[0]


def run(server, workdir, options):
    with server.record(Path(workdir) / "monitor.raw") as recording, start_player(server, workdir, options) as player, \
            sink_onsets(server, workdir, options) as onsets:
        player.open_window()
        server.wait_for_client("vellicor")
        keyboard = Keyboard()
        z = keyboard.code("z")
        rows, buffering_ms, jitter = [], 0.0, random.Random(11)
        for press in range(options.presses):
            sent = keyboard.send(z, True)
            wait_until(lambda: player.stderr().count("keylat:") > press, 5.0, f"press {press + 1}'s timing")
            if press % 10 == 0 and not onsets:
                streams = server.sink_inputs()
                if len(streams) == 1:
                    buffering_ms = stream_buffering(streams[0]) * 1e3
            time.sleep(0.15 + jitter.random() * 0.1)
            keyboard.send(z, False)
            # Presses land at random points of the period.
            time.sleep(0.08 + jitter.random() * 0.05)
            line = player.stderr_lines("keylat:")[press]
            keyboard_ns, period_ns, server_ns = (int(v) for v in line.split()[1:])
            if onsets:
                buffering_ms = (played_at(onsets(), keyboard_ns) - server_ns) / 1e6
            rows.append(((keyboard_ns - sent) / 1e6, (period_ns - keyboard_ns) / 1e6,
                         (server_ns - period_ns) / 1e6, buffering_ms))
        time.sleep(0.3)
        player.quit()
        chosen, steps = settings(player), buffering_steps(player)
    return rows, gaps_heard(recording.samples(), options.presses), chosen, underflow_count(player), steps


# Median and 95th percentile goals on the engine's own outputs.
GOALS_MS = {"pipewire": (6.0, 10.0), "pulseaudio": (6.0, 10.0)}


def report(name, chosen, rows, gaps, underflows, steps, goals):
    totals = [sum(r) for r in rows]
    print(f"{name}, {chosen}, {len(rows)} presses:")
    for label, pick in (("median", 0.5), ("95th", 0.95), ("max", 1.0)):
        parts = [percentile([r[i] for r in rows], pick) for i in range(4)]
        print(f"  {label:>6} total {percentile(totals, pick):6.2f} ms | event {parts[0]:5.2f} render {parts[1]:5.2f} "
              f"handover {parts[2]:5.2f} server {parts[3]:5.2f} (each part's own {label})")
    print(f"  underruns heard (gaps in the monitor's tones): {gaps}"
          + ("" if underflows is None else f"; underflows the server reported over the whole run: {underflows}"))
    if goals:
        print_steps(steps)
        median, p95 = percentile(totals, 0.5), percentile(totals, 0.95)
        print(f"  goal: median <= {goals[0]:g} ms ({'met' if median <= goals[0] else 'missed'}), "
              f"95th <= {goals[1]:g} ms ({'met' if p95 <= goals[1] else 'missed'}), "
              f"no gap ({'met' if gaps == 0 else 'missed'})")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vellicor", required=True, type=os.path.abspath)
    parser.add_argument("--shim", required=True, type=os.path.abspath)
    parser.add_argument("--onsets", required=True, type=os.path.abspath, help="the monitor_onsets program")
    parser.add_argument("--bank", required=True, type=os.path.abspath)
    parser.add_argument("--presses", type=int, default=120)
    parser.add_argument("--sdl", action="store_true", help="play through SDL's driver for the server")
    parser.add_argument("--period", type=int, help="with --sdl, the period in frames (default: the engine's)")
    parser.add_argument("--soak", type=float, help="hold an octave this many seconds instead of pressing")
    parser.add_argument("--busy", type=int, default=0, help="busy loops running during the soak")
    parser.add_argument("server", choices=sorted(SERVERS))
    options = parser.parse_args()
    with x_display():
        with tempfile.TemporaryDirectory(prefix=f"key-latency-{options.server}-") as scratch:
            with SERVERS[options.server](Path(scratch) / "server") as server:
                workdir = Path(scratch) / "player"
                workdir.mkdir()
                if options.soak:
                    soak(server, workdir, options)
                    return 0
                rows, gaps, chosen, underflows, steps = run(server, workdir, options)
        report(options.server, chosen, rows, gaps, underflows, steps,
               None if options.sdl else GOALS_MS[options.server])
    return 0


if __name__ == "__main__":
    sys.exit(main())
