#!/usr/bin/env bash
# Key-to-sound latency of vellicor through private PulseAudio and PipeWire
# daemons (48 kHz null sinks), 120 presses each: first on the engine's own
# output for each server, then on SDL's driver for it at 1024 and at 256
# frames for comparison, with the gaps heard. Then a gap soak on the
# engine's own outputs: an octave held for 60 s, idle and with two busy
# loops. For the engine's own outputs each block also gives the buffering
# the output started at, every step it took with its time, and where it
# ended. Last, how late a realtime thread wakes on this machine at all, in
# periods of 128 and 512 frames. On PipeWire the time to the sink taking a
# sound is measured at the sink (monitor_onsets), so that a client's own
# buffers count too. Builds an optimised tree in
# build-key-latency; starts its own Xvfb and daemons and stops them. Takes
# about eleven minutes; SOAK_SECONDS and PRESSES shorten it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-key-latency
presses=${PRESSES:-120}
soak=${SOAK_SECONDS:-60}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 2 --target vellicor plessard key_latency_shim monitor_onsets realtime_wakeups >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && "$build/plessard" >/dev/null)

echo "== key-to-sound latency (uptime: $(uptime | sed 's/.*load/load/'))"
run() {
  python3 "$root/bench/key_latency.py" --vellicor "$build/vellicor" --shim "$build/bench/key_latency_shim.so" \
    --onsets "$build/bench/monitor_onsets" --bank "$work" --presses "$presses" "$@"
}
for server in pipewire pulseaudio; do
  run "$server"
done
echo "== for comparison, SDL's drivers"
for server in pipewire pulseaudio; do
  run --sdl --period 1024 "$server"
  run --sdl --period 256 "$server"
done
echo "== gap soak (uptime: $(uptime | sed 's/.*load/load/'))"
for server in pipewire pulseaudio; do
  run --soak "$soak" "$server"
  run --soak "$soak" --busy 2 "$server"
done
echo "== realtime wake-ups, no client playing (uptime: $(uptime | sed 's/.*load/load/'))"
for frames in 128 512; do
  "$build/bench/realtime_wakeups" "$soak" "$frames"
done
