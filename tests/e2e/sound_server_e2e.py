#!/usr/bin/env python3
"""vellicor through a private PulseAudio or PipeWire daemon with a 48 kHz
null sink, on the engine's own output for that server (or SDL's driver with
--sdl), the sink recorded while xdotool plays; the options pick the case.

Usage: sound_server_e2e.py --vellicor PATH --bank DIR [--sdl] [--restart]
                           [--socket-activation] [--late-start]
                           [--stalls --realtime-stalls PATH]
                           {pulseaudio,pipewire}
Uses $DISPLAY, or starts its own Xvfb when none is set.
"""
import argparse
import contextlib
import os
import signal
import subprocess
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True  # the harness leaves no __pycache__ in the source tree
from harness.checks import Failure, check, check_sound, once_more_after_a_glitch, wait_until  # noqa: E402
from harness.played_keys import (KEY_SLACK_SECONDS, Timeline, check_dropouts, check_pitch,  # noqa: E402
                                 joined_stretches, play_and_check_keys)
from harness.player import bank_player  # noqa: E402
from harness.running import run_script  # noqa: E402
from harness.signal_analysis import (SINK_RATE, dropouts, ends_in_silence, ends_in_tone, in_seconds,  # noqa: E402
                                     interior, segments, slot_frequency, steady_amplitude, stream_buffering)
from harness.sound_servers import SERVERS  # noqa: E402
from harness.x_display import xdotool  # noqa: E402

# The keys of plays_keys sound through the engine's own outputs pinned, as
# a user pins them, at their largest buffering: the test is of the keys,
# and from a start at the smallest an idle machine that wakes late may gap
# before the output has grown. The stalls case shows the growing.
ENGINE_PINNED = {"pipewire": ({"PIPEWIRE_LATENCY": "1024/44100"}, 1024),
                 "pulseaudio": ({"PULSE_LATENCY_MSEC": "46"}, 2048)}
SDL_PERIOD_FRAMES = 1024
# Busy loops above every realtime thread of the player, below the kernel's
# own: a few stalls of the whole machine but for the servers' realtime
# threads, raised above them, so that the server keeps its time and the
# player misses its deadlines.
STALL_PRIORITY, STALL_MS, STALL_PAUSE, MAX_STALLS = 90, 60, 1.5, 8
SERVER_PRIORITY = 95
# The daemon of --late-start comes up this long after the player.
LATE_START_DELAY = 1.0
ENGINE_STREAM_NAME = "playback"
# The player's start-up (its window and graphics libraries loading) can
# stall its render thread on a slow build, even at the largest buffering:
# the engine's keys are played after it.
ENGINE_START_UP = 5.0


def sound_server(settings, scratch):
    return SERVERS[settings.server](scratch / "server", socket_activated=settings.socket_activation)


def server_player(settings, scratch, server, extra_env=None):
    return bank_player(settings, scratch / "player", audio_driver=server.name if settings.sdl else None,
                       extra_env={**server.client_env(), **(extra_env or {})})


def plays_keys(settings, scratch):
    """The keys of play_and_check_keys, on a server started first."""
    pin, frames = ({}, SDL_PERIOD_FRAMES) if settings.sdl else ENGINE_PINNED[settings.server]
    with sound_server(settings, scratch) as server, server_player(settings, scratch, server, pin) as player, \
            server.record(scratch / "monitor.raw") as recording:
        # SDL's pipewire driver opens a native stream too, which shows the
        # period it was opened with.
        play_and_check_keys(server, recording, player, "vellicor", frames / 44100,
                            expected_stream_latencies=[f"{frames}/44100"] if server.name == "pipewire" else (),
                            start_up=0.0 if settings.sdl else ENGINE_START_UP)


def hold_z_until_it_sounds(server, player, recording, at_least=0.0, before_z=lambda: None):
    """Opens the window, runs before_z() once the player's stream is on the
    server, and holds z until it sounds; returns what before_z() did."""
    player.open_window()
    server.wait_for_client("vellicor")
    found = before_z()
    xdotool("keydown", "z")
    wait_until(lambda: ends_in_tone(recording.samples(), slot_frequency(0), at_least), 5.0, "z to sound")
    return found


def release_z_until_it_stops(recording):
    xdotool("keyup", "z")
    wait_until(lambda: ends_in_silence(recording.samples()), 5.0, "z to stop at its release")


def settling_end(samples, frequency):
    """Where the last stretch of sound runs free of dropouts to its end."""
    tone = segments(samples)[-1]
    glitches = dropouts(samples, tone, steady_amplitude(interior(samples, tone), frequency))
    return tone[0] if not glitches else int(sum(glitches[-1]) * SINK_RATE)


def settled_in_tone(samples, frequency, at_least):
    """Whether the samples end in a tone of `frequency` that has run free of
    dropouts for `at_least` seconds."""
    return (ends_in_tone(samples, frequency, at_least)
            and len(samples) - settling_end(samples, frequency) >= at_least * SINK_RATE)


def restart(settings, scratch):
    """The server goes away while z is held and comes back: the player says
    nothing meanwhile, z sounds again, and a later key plays."""
    with sound_server(settings, scratch) as server, server_player(settings, scratch, server) as player, \
            server.record(scratch / "monitor.raw") as recording:
        hold_z_until_it_sounds(server, player, recording)
        printed = (player.stdout(), player.stderr())
        recording.stop()
        # PulseAudio killed outright, PipeWire stopped as a desktop restarts it.
        server.stop(signal.SIGKILL if server.name == "pulseaudio" else signal.SIGTERM, release_socket=False)
        server.start()
        server.wait_for_client("vellicor", what="back among the restarted server's clients")
        with server.record(scratch / "after-restart.raw") as again:
            # A restarted server may still be linking nodes and starting up
            # for a while, longer on a slow build: the sound after its last
            # glitch is what is judged, once it has run free for a while.
            wait_until(lambda: settled_in_tone(again.samples(), slot_frequency(0), at_least=0.5), 10.0,
                       "the held z to sound again without a glitch")
            settled = settling_end(again.samples(), slot_frequency(0))
            check(player.process.poll() is None, f"vellicor ended with status {player.process.returncode}")
            check((player.stdout(), player.stderr()) == printed,
                  f"vellicor printed across the restart: {player.stderr()[len(printed[1]):]!r}")
            release_z_until_it_stops(again)
            timeline = Timeline()
            timeline.play(("keydown", "comma", 0.5), ("keyup", "comma", 0.5))
            player.quit()
    player.check_key_lines("7a, 0, z", "2c, 12, ,")
    check_after_restart(server.name, again.samples(), settled, timeline)


def check_after_restart(name, recorded, settled, timeline):
    """z's end and comma, from where the restarted server settled."""
    samples = recorded[settled:]
    found, dropouts_seen = joined_stretches(samples)
    check_sound(len(found) == 2, f"expected z's end and comma, got {in_seconds(found)}")
    z_end = interior(samples, found[0])
    check_sound(len(z_end) >= SINK_RATE // 10, f"only {len(z_end) / SINK_RATE * 1000:.1f} ms of z's steady tone "
                f"after the restarted server settled at {settled / SINK_RATE:.2f} s: too little to judge")
    dropouts_seen += dropouts(samples, found[0], steady_amplitude(z_end, slot_frequency(0)))
    check_dropouts(dropouts_seen, "after the restart")
    check_pitch(interior(samples, found[1]), 12, "comma after the restart")
    length = (found[1][1] - found[1][0]) / SINK_RATE
    check_sound(abs(length - timeline.held("comma")) <= 0.05 + KEY_SLACK_SECONDS,
                f"comma sounded {length * 1000:.1f} ms for a key held {timeline.held('comma') * 1000:.1f} ms")
    print(f"{name}: restarted under a held key, which sounded again (judged from {settled / SINK_RATE:.2f} s on); "
          f"comma then sounded {length * 1000:.1f} ms; dropouts after that: {dropouts_seen}")


def late_start(settings, scratch):
    """The player started before its server: silent at start-up, it plays a
    key once the server is up, and says nothing about it."""
    server = SERVERS[settings.server](scratch / "server", socket_activated=True, activation_delay=LATE_START_DELAY)
    server.hold_socket()  # as systemd listens before any client runs
    with server_player(settings, scratch, server) as player, server, \
            server.record(scratch / "monitor.raw") as recording:
        hold_z_until_it_sounds(server, player, recording, at_least=0.3)
        # The engine's own stream, not one of SDL's drivers found on the way.
        names = [stream.get("media.name") for stream in server.sink_inputs()]
        release_z_until_it_stops(recording)
        player.quit()
    player.check_key_lines("7a, 0, z")
    player.check_engine_ran()
    check(names == [ENGINE_STREAM_NAME], f"playback streams: {names}")
    print(f"{server.name}: started {LATE_START_DELAY:.1f} s after the player, which then played z")


def player_stream_buffering(server):
    """The buffering the server reports for the player's one stream, in s."""
    streams = server.sink_inputs()
    check(len(streams) == 1, f"expected one playback stream, got {streams}")
    return stream_buffering(streams[0])


def stall_until_it_grows(settings, server, before):
    """Stalls the machine until the player's stream grows: gaps in the
    first seconds belong to the player's start-up and step nothing. Returns
    how many stalls it took."""
    def grown():
        return player_stream_buffering(server) > before * 1.5
    for stall in range(1, MAX_STALLS + 1):
        subprocess.run([settings.realtime_stalls, str(STALL_PRIORITY), str(STALL_MS)], check=True, timeout=30)
        with contextlib.suppress(Failure):
            wait_until(grown, STALL_PAUSE, "the player's stream to grow")
            return stall
    raise Failure(f"the player's stream did not grow over {MAX_STALLS} stalls")


def stalls(settings, scratch):
    """The player's thread stalls a few times while z is held: the output
    grows its buffering, z sounds on after the stalls, and a later key
    plays."""
    with sound_server(settings, scratch) as server, server_player(settings, scratch, server) as player, \
            server.record(scratch / "monitor.raw") as recording:
        before = hold_z_until_it_sounds(server, player, recording, at_least=0.3,
                                        before_z=lambda: player_stream_buffering(server))
        check(server.raise_realtime_threads(SERVER_PRIORITY) > 0, "the server runs no realtime thread")
        stalls_taken = stall_until_it_grows(settings, server, before)
        after = player_stream_buffering(server)
        wait_until(lambda: ends_in_tone(recording.samples(), slot_frequency(0), at_least=0.5), 5.0,
                   "the held z to sound on after the stalls")
        release_z_until_it_stops(recording)
        xdotool("keydown", "comma")
        wait_until(lambda: ends_in_tone(recording.samples(), slot_frequency(12), at_least=0.3), 5.0, "comma to sound")
        xdotool("keyup", "comma")
        player.quit()
    player.check_key_lines("7a, 0, z", "2c, 12, ,")
    player.check_engine_ran()
    print(f"{server.name}: the player's stream grew from {before * 1e3:.1f} ms to {after * 1e3:.1f} ms of buffering "
          f"at stall {stalls_taken} of {STALL_MS} ms; z sounded on after the stalls, then comma played")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vellicor", required=True, type=os.path.abspath)
    parser.add_argument("--bank", required=True, type=os.path.abspath, help="directory holding pcm/test.N.pcm")
    parser.add_argument("--sdl", action="store_true", help="play through SDL's driver for the server")
    parser.add_argument("--socket-activation", action="store_true", help="run the server socket-activated")
    parser.add_argument("--restart", dest="case", action="store_const", const=restart, default=plays_keys,
                        help="restart the server while a key is held")
    parser.add_argument("--late-start", dest="case", action="store_const", const=late_start,
                        help="start the socket-activated server a second after the player")
    parser.add_argument("--stalls", dest="case", action="store_const", const=stalls,
                        help="stall the machine a few times while a key is held")
    parser.add_argument("--realtime-stalls", type=os.path.abspath, help="the program that stalls the machine")
    parser.add_argument("server", choices=sorted(SERVERS))
    settings = parser.parse_args()

    def play():
        with tempfile.TemporaryDirectory(prefix=f"vellicor-{settings.server}-") as scratch:
            settings.case(settings, Path(scratch))
    return run_script(settings.server, lambda: once_more_after_a_glitch(play))


if __name__ == "__main__":
    sys.exit(main())
