#!/usr/bin/env bash
# Builds the kit, generates the default bank under pcm/ if it is missing,
# and opens the player on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"
[ -f pcm/test.127.pcm ] || build/plessard >/dev/null
exec build/vellicor "$@"
