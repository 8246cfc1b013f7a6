#!/usr/bin/env bash
# Key-to-sound latency of vellicor through private PulseAudio and PipeWire
# daemons (48 kHz null sinks), 120 presses each: at the engine's own period
# for each server and at the smaller ones it takes elsewhere, with the
# underruns each one had. Builds an optimised tree in build-key-latency; starts its
# own Xvfb and daemons and stops them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-key-latency

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 2 --target vellicor plessard >/dev/null
cc -O2 -Wall -Wextra -shared -fPIC "$root/bench/key_latency_shim.c" -ldl -o "$build/key_latency_shim.so"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && "$build/plessard" >/dev/null)

echo "== key-to-sound latency (uptime: $(uptime | sed 's/.*load/load/'))"
run() {
  python3 "$root/bench/key_latency.py" --vellicor "$build/vellicor" --shim "$build/key_latency_shim.so" \
    --bank "$work" "$@"
}
run pulseaudio
run --period 512 pulseaudio
run --period 256 pulseaudio
run pipewire
run --period 512 pipewire
run --period 256 pipewire
