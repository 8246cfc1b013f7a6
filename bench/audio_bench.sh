#!/usr/bin/env bash
# Audio figures: start-to-sound latency, mixer CPU with 39 voices looping,
# loading the default bank against a minimal C loader of the same files
# (and against cat), and vellicor's start-up to its first frame against
# the bank load alone.
# Builds an optimised tree in build-audio-bench; needs no audio hardware.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-audio-bench

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j 2 --target audio_bench minimal_load plessard >/dev/null

echo "== start-to-sound latency"
"$build/bench/audio_bench" latency

echo "== mixer cost"
"$build/bench/audio_bench" mixer

echo "== bank load (128 files of the default bank)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && "$build/plessard" >/dev/null)
files=("$work"/pcm/test.*.pcm)
cat "${files[@]}" >/dev/null  # every reader starts from a warm page cache
us_now() { echo $(( $(date +%s%N) / 1000 )); }
ratios=()
for round in 1 2 3 4 5; do
  start=$(us_now)
  cat "${files[@]}" >/dev/null
  cat_us=$(( $(us_now) - start ))
  minimal_line=$("$build/bench/minimal_load" "$work/pcm/test")
  load_line=$("$build/bench/audio_bench" load "$work/pcm/test" 2>/dev/null)
  ratio=$(awk -v m="$minimal_line" -v l="$load_line" 'BEGIN { split(m, a, " "); split(l, b, " "); printf "%.2f", b[1] / a[1] }')
  ratios+=("$ratio")
  awk -v round="$round" -v cat_us="$cat_us" -v load="$load_line" -v minimal="$minimal_line" -v ratio="$ratio" 'BEGIN {
    split(load, field, " "); split(minimal, floor, " ")
    printf "round %d: minimal C loader %s ms; load_bank %s; load_bank / minimal = %s; cat %.2f ms (with its process start), load_bank / cat = %.2f\n",
      round, floor[1], load, ratio, cat_us / 1000, field[1] / (cat_us / 1000) }'
done
median=$(printf '%s\n' "${ratios[@]}" | sort -n | sed -n 3p)
echo "median load_bank / minimal C loader = $median; goal <= 1.2"

bash "$root/bench/startup_bench.sh"
