#!/usr/bin/env bash
# Audio figures: start-to-sound latency, mixer CPU with 39 voices looping,
# loading the default bank against reading it with cat, and vellicor's
# start-up to its first frame against the bank load alone.
# Builds an optimised tree in build-audio-bench; needs no audio hardware.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-audio-bench

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 2 --target player_audio plessard >/dev/null
c++ -std=c++20 -O2 -Wall -Wextra -Wpedantic \
  -I"$root/player" -I"$root/platform/include" $(pkg-config --cflags sdl2) \
  "$root/bench/audio_bench.cpp" \
  "$build/player/libplayer_audio.a" "$build/platform/libplatform_audio.a" "$build/platform/libplatform_crt.a" \
  $(pkg-config --libs sdl2) -ldl -pthread -o "$build/audio_bench"

echo "== start-to-sound latency"
"$build/audio_bench" latency

echo "== mixer cost"
"$build/audio_bench" mixer

echo "== bank load (128 files of the default bank)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && "$build/plessard" >/dev/null)
files=("$work"/pcm/test.*.pcm)
cat "${files[@]}" >/dev/null  # both readers start from a warm page cache
us_now() { echo $(( $(date +%s%N) / 1000 )); }
for round in 1 2 3; do
  start=$(us_now)
  cat "${files[@]}" >/dev/null
  cat_us=$(( $(us_now) - start ))
  load_line=$("$build/audio_bench" load "$work/pcm/test" 2>/dev/null)
  awk -v round="$round" -v cat_us="$cat_us" -v load="$load_line" 'BEGIN {
    split(load, field, " ")
    printf "round %d: cat %.2f ms (including its process start); load_bank %s; load_bank / cat = %.2f\n",
      round, cat_us / 1000, load, field[1] / (cat_us / 1000) }'
done
echo "goal: load_bank / cat <= 1.5"

bash "$root/bench/startup_bench.sh"
