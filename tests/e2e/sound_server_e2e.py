#!/usr/bin/env python3
"""vellicor through a real sound server: a private PulseAudio or PipeWire
daemon with a 48 kHz null sink, the engine's own output for that server
(or SDL's driver with --sdl), the sink's monitor recorded with parec while
xdotool plays. --restart stops the server while a key is held and starts
it again. --socket-activation runs the server as systemd does: the test
holds its socket and hands it to each daemon 0.7 s after starting it.
--late-start starts the player first and the socket-activated daemon a
second later.

Usage: sound_server_e2e.py --vellicor PATH --bank DIR [--sdl] [--restart]
                           [--socket-activation] [--late-start]
                           {pulseaudio,pipewire}
Uses $DISPLAY, or starts its own Xvfb when none is set.
"""
import argparse
import math
import os
import shutil
import signal
import sys
import tempfile
import time
from pathlib import Path

# Imported helpers leave no __pycache__ in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from sound_servers import SERVERS, SINK_RATE, ServerError  # noqa: E402
from vellicor_e2e import (Failure, Player, check, key_lines, loud_runs, slot_frequency, start_xvfb,  # noqa: E402
                          wait_until, xdotool)

# The engine's mixing period on each sound server: what its own output
# asks for (PipeWire's quantum; the buffer PulseAudio refills before it
# plays on after an underrun), and on SDL's driver.
PERIOD_FRAMES = {"pulseaudio": 512, "pipewire": 512}
SDL_PERIOD_FRAMES = {"pulseaudio": 1024, "pipewire": 1024}
WINDOW = SINK_RATE // 200  # 5 ms analysis windows
LOUD_RMS = 2000.0  # a default-bank tone has an RMS near 11,600
# Sending a key is a separate xdotool process: its start is part of what
# the harness times as the hold, not of what the player heard.
KEY_SLACK_SECONDS = 0.03


def segments(samples):
    """Sounding stretches as (first sample, end sample), to the sample."""
    found = []
    for i, j in loud_runs(samples, WINDOW, LOUD_RMS):
        # Refine both edges to the first and last sample of the tone.
        lo, hi = max(0, (i - 1) * WINDOW), min(len(samples), (j + 1) * WINDOW)
        edge = [k for k in range(lo, hi) if abs(samples[k]) > LOUD_RMS]
        found.append((edge[0], edge[-1] + 1))
    return found


def dropouts(samples, segment, level, edge=0.01):
    """Gaps inside a stretch of one steady tone, as (start seconds, length
    seconds): runs of 1 ms windows whose peak stays under a third of the
    tone's `level`. Any 1 ms of a tone below 500 Hz peaks at 0.64 of its
    amplitude, so only missing sound gets that low."""
    step = SINK_RATE // 1000
    first, end = segment[0] + int(edge * SINK_RATE), segment[1] - int(edge * SINK_RATE)
    found = []
    start = None
    for k in range(first, end - step + 1, step):
        quiet = max(abs(v) for v in samples[k:k + step]) < level / 3
        if quiet and start is None:
            start = k
        elif not quiet and start is not None:
            found.append((start / SINK_RATE, (k - start) / SINK_RATE))
            start = None
    if start is not None:
        found.append((start / SINK_RATE, (end - start) / SINK_RATE))
    return found


def zero_crossing_frequency(piece):
    """The tone's pitch from its rising zero crossings, each placed between
    its two samples. A dropout or a skip in the recording shows as a period
    off the others, which is left out: the pitch is that of the sound
    around it."""
    rises = [k - 1 + piece[k - 1] / (piece[k - 1] - piece[k])
             for k in range(1, len(piece)) if piece[k - 1] < 0 <= piece[k]]
    if len(rises) < 2:
        return 0.0
    periods = [b - a for a, b in zip(rises, rises[1:])]
    typical = sorted(periods)[len(periods) // 2]
    kept = [p for p in periods if abs(p - typical) < typical * 0.01]
    return len(kept) * SINK_RATE / sum(kept)


def amplitude_at(piece, frequency):
    """Peak amplitude of the component at `frequency` (Goertzel over a Hann
    window, whose low side lobes keep a tone 30 Hz away from leaking in)."""
    omega = 2 * math.pi * frequency / SINK_RATE
    coefficient = 2 * math.cos(omega)
    n = len(piece)
    s1 = s2 = weights = 0.0
    for k, v in enumerate(piece):
        w = 0.5 - 0.5 * math.cos(2 * math.pi * k / (n - 1))
        weights += w
        s1, s2 = v * w + coefficient * s1 - s2, s1
    power = s1 * s1 + s2 * s2 - coefficient * s1 * s2
    return 2 * math.sqrt(max(power, 0.0)) / weights


def steady_amplitude(piece, frequency):
    """amplitude_at over 100 ms chunks, their median: a glitch in one chunk
    (a dropout, a skip in the recording) does not move it. Shorter pieces
    are taken whole."""
    chunk = SINK_RATE // 10
    amplitudes = sorted(amplitude_at(piece[k:k + chunk], frequency) for k in range(0, len(piece) - chunk + 1, chunk))
    return amplitudes[len(amplitudes) // 2] if amplitudes else amplitude_at(piece, frequency)


def interior(samples, segment, skip=0.03):
    """The segment without its edges, where the resampler's ringing and the
    cut at the release are."""
    first, end = segment
    margin = int(skip * SINK_RATE)
    return samples[first + margin:end - margin]


class Timeline:
    """The harness's own times of each press and release."""

    def __init__(self):
        self.events = []

    def send(self, action, key):
        xdotool(action, key)
        self.events.append((time.monotonic(), action, key))

    def at(self, action, key):
        return next(t for t, a, k in self.events if a == action and k == key)

    def held(self, key):
        return self.at("keyup", key) - self.at("keydown", key)


def play_through(server, workdir):
    if OPTIONS.late_start:
        server.hold_socket()
    player = Player(OPTIONS.vellicor, workdir, args=[str(Path(OPTIONS.bank) / "pcm" / "test")],
                    audio_driver=server.name if OPTIONS.sdl else None, extra_env=server.client_env())
    recording = None
    try:
        if OPTIONS.late_start:
            server.start(delay=LATE_START_DELAY)
        recording = server.record(Path(workdir) / "monitor.raw")
        if OPTIONS.restart:
            return run_restart_case(server, recording, player)
        if OPTIONS.late_start:
            return run_late_start_case(server, recording, player)
        # A pactl run while a tone plays can cost SDL's drivers a period.
        return run_case(server, recording, player, "vellicor", period_frames(server.name) / 44100,
                        streams_before_playing=True)
    finally:
        player.stop()
        if recording is not None:
            recording.stop()
            if OPTIONS.keep_recording:
                shutil.copyfile(recording.path, OPTIONS.keep_recording)


def run_case(server, recording, player, client, period, streams_before_playing=False):
    """Plays z, comma, then x with c, and checks the key lines and the
    recording; `client` is the player's name among the server's clients,
    `period` its audio engine's mixing period in seconds. The player's
    stream is inspected while the first tone plays, or before it when
    `streams_before_playing` (for an engine whose short periods a pactl
    run could cost one; its stream must be running from start-up)."""
    check(server.sink_rate() == SINK_RATE, f"sink rate {server.sink_rate()}")
    player.open_window()
    wait_until(lambda: client in server.clients(), 10.0, f"{client} among the server's clients")
    streams = server.sink_inputs() if streams_before_playing else None
    timeline = Timeline()
    timeline.send("keydown", "z")
    time.sleep(0.4)
    if streams is None:
        streams = server.sink_inputs()  # read while the tone plays
    time.sleep(0.4)
    timeline.send("keyup", "z")
    time.sleep(0.5)
    timeline.send("keydown", "comma")
    time.sleep(0.5)
    timeline.send("keyup", "comma")
    time.sleep(0.5)
    # x, then c with it, then c alone: one stretch of sound in three parts.
    timeline.send("keydown", "x")
    time.sleep(0.5)
    timeline.send("keydown", "c")
    time.sleep(0.5)
    timeline.send("keyup", "x")
    time.sleep(0.5)
    timeline.send("keyup", "c")
    time.sleep(0.6)
    player.quit()
    wait_until(lambda: client not in server.clients(), 10.0, f"{client} to leave the server's clients")
    recording.stop()

    check(key_lines(player.stderr()) == ["key: 7a, 0, z", "key: 2c, 12, ,", "key: 78, 2, x", "key: 63, 3, c"],
          f"key lines: {key_lines(player.stderr())}")
    check("myxa2:" not in player.stderr(), f"engine failure: {player.stderr().splitlines()[-3:]}")
    buffering = server_buffering(streams, server.name == "pipewire")
    print(f"{server.name}: player's stream as the server reports it: {buffering * 1000:.2f} ms of buffering")
    check_recording(recording.samples(), timeline, period + buffering)
    return 0


def sounding(recording, frequency, at_least=0.0):
    """Whether the recording so far ends in a tone of `frequency`, unbroken
    for `at_least` seconds."""
    samples = recording.samples()
    found = segments(samples)
    return (bool(found) and len(samples) - found[-1][1] < WINDOW and found[-1][1] - found[-1][0] >= at_least * SINK_RATE
            and abs(zero_crossing_frequency(interior(samples, found[-1])) - frequency) < frequency * 0.002)


def fell_silent(recording):
    """Whether the recording so far ends in 50 ms of silence after a sound."""
    samples = recording.samples()
    found = segments(samples)
    return bool(found) and len(samples) - found[-1][1] > SINK_RATE // 20


def settling_end(samples, frequency):
    """Where the last stretch of sound runs free of dropouts to its end."""
    tone = segments(samples)[-1]
    glitches = dropouts(samples, tone, steady_amplitude(interior(samples, tone), frequency))
    return tone[0] if not glitches else int(sum(glitches[-1]) * SINK_RATE)


def run_restart_case(server, recording, player):
    """The server goes away while z is held and comes back: the player says
    nothing meanwhile, z sounds again, and a later key plays."""
    player.open_window()
    wait_until(lambda: "vellicor" in server.clients(), 10.0, "vellicor among the server's clients")
    xdotool("keydown", "z")
    wait_until(lambda: sounding(recording, slot_frequency(0)), 5.0, "z to sound")
    printed = (player.stdout(), player.stderr())
    recording.stop()
    # PulseAudio killed outright, PipeWire stopped as a desktop restarts it.
    server.stop(signal.SIGKILL if server.name == "pulseaudio" else signal.SIGTERM)
    server.start()
    wait_until(lambda: "vellicor" in server.clients(), 10.0, "vellicor back among the restarted server's clients")
    again = server.record(recording.path.with_name("after-restart.raw"))
    try:
        # A restarted server may still be linking nodes and starting up for
        # a moment: the sound after its last glitch in the first second is
        # what is judged.
        wait_until(lambda: sounding(again, slot_frequency(0), at_least=1.0), 10.0, "the held z to sound again")
        settled = settling_end(again.samples(), slot_frequency(0))
        check(player.process.poll() is None, f"vellicor ended with status {player.process.returncode}")
        check((player.stdout(), player.stderr()) == printed,
              f"vellicor printed across the restart: {player.stderr()[len(printed[1]):]!r}")
        xdotool("keyup", "z")
        wait_until(lambda: fell_silent(again), 5.0, "z to stop at its release")
        timeline = Timeline()
        timeline.send("keydown", "comma")
        time.sleep(0.5)
        timeline.send("keyup", "comma")
        time.sleep(0.5)
        player.quit()
    finally:
        again.stop()
    samples = again.samples()[settled:]
    found, dropouts_seen = bridge_dropouts(segments(samples), int(LONGEST_DROPOUT * SINK_RATE))
    check(len(found) == 2, f"expected z's end and comma, got {[(a / SINK_RATE, b / SINK_RATE) for a, b in found]}")
    level = steady_amplitude(interior(samples, found[0]), slot_frequency(0))
    dropouts_seen += dropouts(samples, found[0], level)
    check(len(dropouts_seen) <= DROPOUTS_ALLOWED and all(length <= LONGEST_DROPOUT for _, length in dropouts_seen),
          f"dropouts after the restart (start s, length s): {dropouts_seen}")
    frequency = zero_crossing_frequency(interior(samples, found[1]))
    check(abs(frequency - slot_frequency(12)) < slot_frequency(12) * 0.002, f"comma after the restart: {frequency:.2f} Hz")
    length = (found[1][1] - found[1][0]) / SINK_RATE
    check(abs(length - timeline.held("comma")) <= 0.05 + KEY_SLACK_SECONDS, f"comma sounded {length * 1000:.1f} ms "
          f"for a key held {timeline.held('comma') * 1000:.1f} ms")
    check(key_lines(player.stderr()) == ["key: 7a, 0, z", "key: 2c, 12, ,"], f"key lines: {key_lines(player.stderr())}")
    print(f"{server.name}: restarted under a held key, which sounded again (judged from {settled / SINK_RATE:.2f} s on); "
          f"comma then sounded {length * 1000:.1f} ms; dropouts after that: {dropouts_seen}")
    return 0


# The daemon of --late-start comes up this long after the player.
LATE_START_DELAY = 1.0
ENGINE_STREAM_NAME = "playback"


def run_late_start_case(server, recording, player):
    """The player started before its server: silent at start-up, it plays a
    key once the server is up, and says nothing about it."""
    player.open_window()
    wait_until(lambda: "vellicor" in server.clients(), 10.0, "vellicor among the server's clients")
    xdotool("keydown", "z")
    wait_until(lambda: sounding(recording, slot_frequency(0), at_least=0.3), 5.0, "z to sound")
    # The engine's own stream, not one of SDL's drivers found on the way.
    names = [stream.get("media.name") for stream in server.sink_inputs()]
    xdotool("keyup", "z")
    wait_until(lambda: fell_silent(recording), 5.0, "z to stop at its release")
    player.quit()
    check(key_lines(player.stderr()) == ["key: 7a, 0, z"], f"key lines: {key_lines(player.stderr())}")
    check("myxa2:" not in player.stderr(), f"engine failure: {player.stderr().splitlines()[-3:]}")
    check(names == [ENGINE_STREAM_NAME], f"playback streams: {names}")
    print(f"{server.name}: started {LATE_START_DELAY:.1f} s after the player, which then played z")
    return 0


def period_frames(server_name):
    return (SDL_PERIOD_FRAMES if OPTIONS.sdl else PERIOD_FRAMES)[server_name]


def server_buffering(streams, native_pipewire):
    """The buffering the server reports for the player's stream (the only
    playback stream there is), in seconds. PipeWire's pulse layer reports
    no latency for a native stream; its graph then holds one quantum, the
    node.latency the stream asked for."""
    check(len(streams) == 1, f"expected one playback stream, got {streams}")
    stream = streams[0]
    # SDL's pipewire driver opens a native stream, which shows the period
    # it was opened with.
    if native_pipewire:
        check(stream.get("node.latency") == f"{period_frames('pipewire')}/44100",
              f"stream opened with node.latency {stream.get('node.latency')}")
    reported = (stream.get("Buffer Latency", 0.0) + stream.get("Sink Latency", 0.0)) / 1e6
    if reported == 0.0 and "node.latency" in stream:
        frames, rate = stream["node.latency"].split("/")
        return int(frames) / int(rate)
    return reported


# A shared two-core machine may miss the server's deadline once in a while;
# one dropout no longer than 1024 frames (the engine's period when SDL
# alone played) is reported, not failed. More of them, or a longer one,
# fail the test.
DROPOUTS_ALLOWED = 1
LONGEST_DROPOUT = 1024 / 44100


def bridge_dropouts(found, longest):
    """Joins stretches of sound split by a silence shorter than `longest`
    samples; returns the joined stretches and the silences bridged, as
    (start seconds, length seconds)."""
    joined, bridged = [found[0]] if found else [], []
    for start, end in found[1:]:
        if start - joined[-1][1] < longest:
            bridged.append((joined[-1][1] / SINK_RATE, (start - joined[-1][1]) / SINK_RATE))
            joined[-1] = (joined[-1][0], end)
        else:
            joined.append((start, end))
    return joined, bridged


def overlap(one, other, margin=0.005):
    """Whether two (start seconds, length seconds) stretches overlap, within
    the analysis windows' margin."""
    return one[0] < other[0] + other[1] + margin and other[0] < one[0] + one[1] + margin


def check_recording(samples, timeline, latency):
    found, dropouts_seen = bridge_dropouts(segments(samples), int(LONGEST_DROPOUT * SINK_RATE))
    check(len(found) == 3, f"expected three stretches of sound, got {[(a / SINK_RATE, b / SINK_RATE) for a, b in found]}")
    # One period and the server's buffering, the key's sending and the
    # analysis windows at both ends.
    tolerance = latency + KEY_SLACK_SECONDS + 2 / SINK_RATE * WINDOW
    single_amplitudes = []

    def check_length(segment, held, what):
        length = (segment[1] - segment[0]) / SINK_RATE
        print(f"{what}: sounded {length * 1000:.1f} ms, held {held * 1000:.1f} ms")
        check(abs(length - held) <= tolerance,
              f"{what}: sounded {length * 1000:.1f} ms for a key held {held * 1000:.1f} ms "
              f"(allowed {tolerance * 1000:.1f} ms either way)")

    for segment, key, slot in ((found[0], "z", 0), (found[1], "comma", 12)):
        piece = interior(samples, segment)
        frequency = zero_crossing_frequency(piece)
        expected = slot_frequency(slot)
        print(f"{key}: {frequency:.2f} Hz, slot {slot} is {expected:.2f} Hz")
        check(abs(frequency - expected) < expected * 0.002, f"{key}: {frequency:.2f} Hz, expected {expected:.2f} Hz")
        check_length(segment, timeline.held(key), key)
        single_amplitudes.append(steady_amplitude(piece, expected))
        if slot == 0:
            # A silence already bridged shows up here again.
            dropouts_seen += [gap for gap in dropouts(samples, segment, single_amplitudes[-1])
                              if not any(overlap(gap, seen) for seen in dropouts_seen)]
    if dropouts_seen:
        print(f"dropouts (start s, length s): {dropouts_seen}")
    check(len(dropouts_seen) <= DROPOUTS_ALLOWED and all(length <= LONGEST_DROPOUT for _, length in dropouts_seen),
          f"dropouts in the tones (start s, length s): {dropouts_seen}")

    # Silence between the tones: each gap as long as the harness waited
    # between a release and the next press, within the same tolerance.
    for (before, after), (release, press) in zip(zip(found, found[1:]), (("z", "comma"), ("comma", "x"))):
        gap = (after[0] - before[1]) / SINK_RATE
        waited = timeline.at("keydown", press) - timeline.at("keyup", release)
        check(abs(gap - waited) <= tolerance, f"silence after {release}: {gap * 1000:.1f} ms, waited {waited * 1000:.1f} ms")
    after_last = (len(samples) - found[2][1]) / SINK_RATE
    check(after_last > 0.3, f"only {after_last:.2f} s of silence after the last release")

    # x alone, x and c mixed, c alone, each part placed by the harness's times.
    mixed = found[2]
    check_length(mixed, timeline.at("keyup", "c") - timeline.at("keydown", "x"), "x then c")
    origin = timeline.at("keydown", "x")
    x_hz, c_hz = slot_frequency(2), slot_frequency(3)
    reference = min(single_amplitudes)
    parts = (("x alone", "keydown", "x", "keydown", "c", True, False),
             ("x and c", "keydown", "c", "keyup", "x", True, True),
             ("c alone", "keyup", "x", "keyup", "c", False, True))
    for what, from_action, from_key, to_action, to_key, x_sounds, c_sounds in parts:
        start = mixed[0] + int((timeline.at(from_action, from_key) - origin + 0.1) * SINK_RATE)
        end = mixed[0] + int((timeline.at(to_action, to_key) - origin - 0.1) * SINK_RATE)
        piece = samples[start:end]
        x_level, c_level = steady_amplitude(piece, x_hz) / reference, steady_amplitude(piece, c_hz) / reference
        print(f"{what}: x at {x_level:.2f}, c at {c_level:.2f} of a single tone's amplitude")
        for sounds, level, name in ((x_sounds, x_level, "x"), (c_sounds, c_level, "c")):
            if sounds:
                check(0.75 < level < 1.1, f"{what}: {name} at {level:.2f} of a single tone's amplitude")
            else:
                check(level < 0.02, f"{what}: {name} still at {level:.2f} of a single tone's amplitude")


OPTIONS = None


def main():
    global OPTIONS
    parser = argparse.ArgumentParser()
    parser.add_argument("--vellicor", required=True)
    parser.add_argument("--bank", required=True, help="directory holding pcm/test.N.pcm")
    parser.add_argument("--keep-recording", help="copy the monitor's recording here")
    parser.add_argument("--sdl", action="store_true", help="play through SDL's driver for the server")
    parser.add_argument("--restart", action="store_true", help="restart the server while a key is held")
    parser.add_argument("--socket-activation", action="store_true", help="run the server socket-activated")
    parser.add_argument("--late-start", action="store_true",
                        help="start the socket-activated server a second after the player")
    parser.add_argument("server", choices=sorted(SERVERS))
    OPTIONS = parser.parse_args()
    OPTIONS.socket_activation = OPTIONS.socket_activation or OPTIONS.late_start
    OPTIONS.vellicor = os.path.abspath(OPTIONS.vellicor)
    OPTIONS.bank = os.path.abspath(OPTIONS.bank)
    x_server = None if os.environ.get("DISPLAY") else start_xvfb()
    try:
        with tempfile.TemporaryDirectory(prefix=f"vellicor-{OPTIONS.server}-") as scratch:
            server = SERVERS[OPTIONS.server](Path(scratch) / "server", socket_activated=OPTIONS.socket_activation)
            workdir = Path(scratch) / "player"
            workdir.mkdir()
            try:
                if not OPTIONS.late_start:
                    server.start()
                play_through(server, workdir)
            except (Failure, ServerError) as failure:
                print(f"FAILED {OPTIONS.server}: {failure}", file=sys.stderr)
                print("--- server log (last lines):\n" + server.log_tail(), file=sys.stderr)
                errors_path = workdir / "stderr.txt"
                errors = errors_path.read_text(errors="replace").splitlines() if errors_path.exists() else []
                print("--- vellicor stderr (last lines):\n" + "\n".join(errors[-10:]), file=sys.stderr)
                return 1
            finally:
                server.stop()
                server.release_socket()
    finally:
        if x_server:
            x_server.terminate()
            x_server.wait()
    print(f"passed {OPTIONS.server}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
