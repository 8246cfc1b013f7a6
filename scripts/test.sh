#!/usr/bin/env bash
# Builds the kit and runs the whole test suite headless: the plain build,
# the AddressSanitizer + UndefinedBehaviorSanitizer build, the
# ThreadSanitizer build of the audio engine's tests, a replay of the fuzz
# corpus, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

jobs=$(nproc)
root=$PWD

# suite DIR LABEL TARGETS CMAKE-ARGS...: builds TARGETS (all when empty) and
# runs the tests labelled LABEL (all when empty).
suite() {
  local dir=$1 label=$2 targets=$3
  shift 3
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs" ${targets:+--target $targets}
  local filter=()
  [ -n "$label" ] && filter=(-L "$label")
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$dir" --output-on-failure --no-tests=error "${filter[@]}"
}

echo "== plain build"
suite build "" "" -DCMAKE_BUILD_TYPE=Release

echo "== install check"
bash tests/install/check.sh build

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:fast_unwind_on_malloc=0:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  suite build-asan "" "" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=address,undefined

if [ -d tests/audio_engine ]; then
  echo "== ThreadSanitizer (audio engine)"
  TSAN_OPTIONS=halt_on_error=1 suite build-tsan tsan "platform_audio_tests player_disk_output_test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=thread
fi

echo "== fuzz corpus replay"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBUILD_FUZZERS=ON -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
for corpus in fuzz/corpus/*/; do
  target=$(basename "$corpus")
  cmake --build build-fuzz -j "$jobs" --target "$target"
  "build-fuzz/fuzz/$target" -runs=0 "$corpus"
done

echo "== Windows build (MinGW) under Wine"
windows_start=$SECONDS
bash scripts/deps.sh wine wine64
bash scripts/windows.sh build-win32 i686
cpack --config build-win32/CPackConfig.cmake -B build-win32/package >/dev/null
bash scripts/windows.sh build-win64 x86_64
cpack --config build-win64/CPackConfig.cmake -B build-win64/package >/dev/null
# Wine runs the 32-bit build where the kernel runs 32-bit programs and 32-bit
# Wine can be installed; elsewhere the same sources are tested as a 64-bit
# build, and the i386 architecture is never enabled for nothing.
tested=build-win64
wine32_log=$root/build-win32/wine32-install.log
if ! bash scripts/runs_i386.sh; then
  echo "this kernel runs no 32-bit programs: Wine tests the 64-bit build"
elif ! bash scripts/deps.sh wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 >"$wine32_log" 2>&1 ||
     ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "32-bit Wine could not be installed (apt's output: $wine32_log): Wine tests the 64-bit build"
else
  tested=build-win32
fi
packages=(build-win32/package/*.zip build-win64/package/*.zip)
python3 tests/e2e/windows_e2e.py --windows-build "$tested" --linux-plessard build/plessard --package "${packages[@]}"
echo "Windows stage: $((SECONDS - windows_start)) s"
echo "all suites passed"
