#!/usr/bin/env bash
# Start-up of vellicor on the default bank, from process start to its first
# drawn frame, split at the audio engine's and freeglut's start: the bank
# load alone against what the window adds (goal: at most 100 ms).
# Builds an optimised tree in build-startup-bench; starts its own Xvfb when DISPLAY
# is not set; plays into SDL's dummy driver.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-startup-bench

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 2 --target vellicor plessard first_frame_shim >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && "$build/plessard" >/dev/null)
cat "$work"/pcm/test.*.pcm >/dev/null  # every round starts from a warm page cache

echo "== vellicor start-up on the default bank (128 files)"
window_ms=()
for round in 1 2 3 4 5; do
  line=$(cd "$work" && SDL_AUDIODRIVER=dummy LD_PRELOAD="$build/bench/first_frame_shim.so" \
    "$build/vellicor" 2>&1 >/dev/null | grep '^startup:')
  echo "round $round: ${line#startup: }"
  window_ms+=("$(echo "$line" | sed 's/.*first frame \([0-9.]*\) ms.*/\1/')")
done
median=$(printf '%s\n' "${window_ms[@]}" | sort -n | sed -n 3p)
echo "median window to first frame: $median ms; goal <= 100 ms"
