#!/usr/bin/env bash
# Builds plessard.exe and vellicor.exe for Windows with MinGW-w64:
#
#   bash scripts/windows.sh BUILD_DIR [i686|x86_64]
#
# i686 (32-bit Windows) by default. Installs the cross compiler when it is
# missing, builds freeglut from Debian's source package as a static library
# (kept under BUILD_DIR/freeglut for later runs) and leaves both programs,
# linked statically, in BUILD_DIR.
set -euo pipefail
source "$(dirname "$0")/apt_lists.sh"
[ $# -ge 1 ] || { echo "usage: bash scripts/windows.sh BUILD_DIR [i686|x86_64]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "$1")
arch=${2:-i686}
case $arch in
  i686) compiler_package=g++-mingw-w64-i686-posix ;;
  x86_64) compiler_package=g++-mingw-w64-x86-64-posix ;;
  *) echo "unknown architecture: $arch (i686 or x86_64)" >&2; exit 2 ;;
esac
bash "$root/scripts/deps.sh" "$compiler_package"

toolchain=$root/cmake/mingw-w64-$arch.cmake
freeglut=$build/freeglut
jobs=$(nproc)

# apt-get source needs a deb-src entry. It goes into an apt state of our
# own under BUILD_DIR, made from the machine's deb entry that carries
# freeglut, so the machine's apt configuration stays as it is.
fetch_freeglut_source() {
  local apt=$freeglut/apt origin version
  read -r version origin < <(apt-cache madison freeglut3-dev |
    awk -F' [|] ' 'NR == 1 { split($3, f, " "); split(f[2], s, "/"); print $2, f[1] " " s[1] " " s[2] }')
  [ -n "$origin" ] || { echo "no apt source carries freeglut3-dev" >&2; return 1; }
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts"
  echo "deb-src $origin" > "$apt/sources.list"
  local options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts="$apt/parts"
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
  refresh_package_lists apt-get "${options[@]}"
  (cd "$freeglut" && apt-get "${options[@]}" source --download-only -qq "freeglut=${version%+b*}")
}

# Debian's freeglut 3.4.0 source, configured for MinGW: static library only.
build_freeglut() {
  local install=$freeglut/$arch
  [ -f "$install/lib/cmake/FreeGLUT/FreeGLUTConfig.cmake" ] && return 0
  mkdir -p "$freeglut"
  local tarball
  tarball=$(find "$freeglut" -maxdepth 1 -name 'freeglut_*.orig.tar.gz' | head -n 1)
  if [ -z "$tarball" ]; then
    fetch_freeglut_source
    tarball=$(find "$freeglut" -maxdepth 1 -name 'freeglut_*.orig.tar.gz' | head -n 1)
  fi
  local source=$freeglut/source
  rm -rf "$source" "$freeglut/build-$arch"
  mkdir -p "$source"
  tar -xzf "$tarball" -C "$source" --strip-components=1
  local log=$freeglut/build-$arch.log
  {
    cmake -S "$source" -B "$freeglut/build-$arch" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$install" \
      -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_PRINT_WARNINGS=OFF &&
      cmake --build "$freeglut/build-$arch" -j "$jobs" &&
      cmake --install "$freeglut/build-$arch"
  } >"$log" 2>&1 || { tail -n 20 "$log" >&2; echo "freeglut failed to build; log: $log" >&2; return 1; }
}

build_freeglut
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF -DCMAKE_PREFIX_PATH="$freeglut/$arch" >/dev/null
cmake --build "$build" -j "$jobs"
echo "built $build/plessard.exe and $build/vellicor.exe"
