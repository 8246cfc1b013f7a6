"""The keys a player plays through a sound server (z, comma, then x with
c), timed by the harness, and what the sink's recording of them must show."""
import time

from .checks import check, check_sound
from .signal_analysis import (SINK_RATE, WINDOW, bridge_dropouts, dropouts, in_seconds, interior, overlap, segments,
                              slot_frequency, steady_amplitude, stream_buffering, zero_crossing_frequency)
from .x_display import xdotool

# Sending a key is a separate xdotool process: its start is part of what
# the harness times as the hold, not of what the player heard.
KEY_SLACK_SECONDS = 0.03
# A shared two-core machine may miss the server's deadline once in a while;
# one dropout no longer than 1024 frames (the engine's period when SDL
# alone played) is reported, not failed. More of them, or a longer one,
# fail the test.
DROPOUTS_ALLOWED = 1
LONGEST_DROPOUT = 1024 / 44100


class Timeline:
    """The harness's own times of each press and release."""

    def __init__(self):
        self.events = []

    def play(self, *steps):
        """Sends each (action, key, then pause seconds) step."""
        for action, key, pause in steps:
            xdotool(action, key)
            self.events.append((time.monotonic(), action, key))
            time.sleep(pause)

    def at(self, action, key):
        return next(t for t, a, k in self.events if a == action and k == key)

    def held(self, key):
        return self.at("keyup", key) - self.at("keydown", key)


def joined_stretches(samples):
    """The recording's stretches of sound with short dropouts bridged, and
    the dropouts bridged."""
    return bridge_dropouts(segments(samples), int(LONGEST_DROPOUT * SINK_RATE))


def check_dropouts(dropouts_seen, where):
    check_sound(len(dropouts_seen) <= DROPOUTS_ALLOWED and all(length <= LONGEST_DROPOUT for _, length in dropouts_seen),
                f"dropouts {where} (start s, length s): {dropouts_seen}")


def play_and_check_keys(server, recording, player, client, period, expected_stream_latencies=(), start_up=0.0):
    """Plays z, comma, then x with c, and checks the key lines and the
    recording; `client` is the player's name among the server's clients,
    `period` its audio engine's mixing period in seconds. The player's
    stream, which must be running from start-up, is inspected before
    playing (a pactl run while a tone plays could cost a short period);
    `expected_stream_latencies` are the node.latency values it may have
    asked for. The keys start `start_up` seconds after the stream."""
    check(server.sink_rate() == SINK_RATE, f"sink rate {server.sink_rate()}")
    player.open_window()
    server.wait_for_client(client)
    streams = server.sink_inputs()
    time.sleep(start_up)
    timeline = Timeline()
    # x, then c with it, then c alone: one stretch of sound in three parts.
    timeline.play(("keydown", "z", 0.8), ("keyup", "z", 0.5), ("keydown", "comma", 0.5), ("keyup", "comma", 0.5),
                  ("keydown", "x", 0.5), ("keydown", "c", 0.5), ("keyup", "x", 0.5), ("keyup", "c", 0.6))
    player.quit()
    server.wait_for_client(client, present=False, what="to leave the server's clients")
    recording.stop()

    player.check_key_lines("7a, 0, z", "2c, 12, ,", "78, 2, x", "63, 3, c")
    player.check_engine_ran()
    check(len(streams) == 1, f"expected one playback stream, got {streams}")
    if expected_stream_latencies:
        check(streams[0].get("node.latency") in expected_stream_latencies,
              f"stream opened with node.latency {streams[0].get('node.latency')}")
    buffering = stream_buffering(streams[0])
    print(f"{server.name}: player's stream as the server reports it: {buffering * 1000:.2f} ms of buffering")
    check_recording(recording.samples(), timeline, period + buffering)


def check_pitch(piece, slot, what):
    """The piece sounds `slot`'s pitch; returns the pitch found."""
    frequency, expected = zero_crossing_frequency(piece), slot_frequency(slot)
    check_sound(abs(frequency - expected) < expected * 0.002, f"{what}: {frequency:.2f} Hz, expected {expected:.2f} Hz")
    return frequency


def check_recording(samples, timeline, latency):
    found, dropouts_seen = joined_stretches(samples)
    check_sound(len(found) == 3, f"expected three stretches of sound, got {in_seconds(found)}")
    # One period and the server's buffering, the key's sending and the
    # analysis windows at both ends.
    tolerance = latency + KEY_SLACK_SECONDS + 2 / SINK_RATE * WINDOW
    single_amplitudes = []

    def check_length(segment, held, what):
        length = (segment[1] - segment[0]) / SINK_RATE
        print(f"{what}: sounded {length * 1000:.1f} ms, held {held * 1000:.1f} ms")
        check_sound(abs(length - held) <= tolerance,
                    f"{what}: sounded {length * 1000:.1f} ms for a key held {held * 1000:.1f} ms "
                    f"(allowed {tolerance * 1000:.1f} ms either way)")

    for segment, key, slot in ((found[0], "z", 0), (found[1], "comma", 12)):
        piece = interior(samples, segment)
        frequency = check_pitch(piece, slot, key)
        print(f"{key}: {frequency:.2f} Hz, slot {slot} is {slot_frequency(slot):.2f} Hz")
        check_length(segment, timeline.held(key), key)
        single_amplitudes.append(steady_amplitude(piece, slot_frequency(slot)))
        if slot == 0:
            # A silence already bridged shows up here again.
            dropouts_seen += [gap for gap in dropouts(samples, segment, single_amplitudes[-1])
                              if not any(overlap(gap, seen) for seen in dropouts_seen)]
    if dropouts_seen:
        print(f"dropouts (start s, length s): {dropouts_seen}")
    check_dropouts(dropouts_seen, "in the tones")

    # Silence between the tones: each gap as long as the harness waited
    # between a release and the next press, within the same tolerance.
    for (before, after), (release, press) in zip(zip(found, found[1:]), (("z", "comma"), ("comma", "x"))):
        gap = (after[0] - before[1]) / SINK_RATE
        waited = timeline.at("keydown", press) - timeline.at("keyup", release)
        check_sound(abs(gap - waited) <= tolerance, f"silence after {release}: {gap * 1000:.1f} ms, waited {waited * 1000:.1f} ms")
    after_last = (len(samples) - found[2][1]) / SINK_RATE
    check_sound(after_last > 0.3, f"only {after_last:.2f} s of silence after the last release")

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
                check_sound(0.75 < level < 1.1, f"{what}: {name} at {level:.2f} of a single tone's amplitude")
            else:
                check_sound(level < 0.02, f"{what}: {name} still at {level:.2f} of a single tone's amplitude")
