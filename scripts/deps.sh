#!/usr/bin/env bash
# Installs the Debian packages the kit needs to build, play and test,
# skipping those already present. Further packages may be named as
# arguments; one of another architecture (wine32:i386) gets that
# architecture enabled first, and disabled again when none of its packages
# could be installed. Fails only when a package cannot be installed, naming
# it after apt's own error lines.
set -euo pipefail
source "$(dirname "$0")/apt_lists.sh"

packages=(
  cmake g++ make pkg-config
  clang libclang-rt-14-dev
  libgtest-dev
  libsdl2-dev libpipewire-0.3-dev libpulse-dev
  freeglut3-dev libgl-dev libgl1-mesa-dri libx11-dev
  xvfb xauth xdotool
  pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus
  libdbus-1-dev rtkit polkitd
  python3
  dpkg-dev lintian groff-base desktop-file-utils appstream librsvg2-bin
  "$@"
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
apt=($sudo apt-get -o DPkg::Lock::Timeout=600)
export DEBIAN_FRONTEND=noninteractive
echo "installing: ${missing[*]}"

added_architectures=()
for p in "${missing[@]}"; do
  arch=${p#*:}
  if [ "$arch" != "$p" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    $sudo dpkg --add-architecture "$arch"
    added_architectures+=("$arch")
  fi
done

# An architecture none of whose packages got in would only make every later
# apt-get update fetch its lists; dpkg refuses to remove one still in use.
forget_unused_architectures() {
  local arch
  for arch in "${added_architectures[@]}"; do
    $sudo dpkg --remove-architecture "$arch" 2>/dev/null || true
  done
}
trap forget_unused_architectures EXIT

refresh_package_lists "${apt[@]}"
"${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" && exit 0

# One package apt cannot install stops the whole command: install the rest
# one by one, then name what is still missing, each with apt's reasons.
echo "installing one package at a time" >&2
failed=()
reasons=$(mktemp)
for p in "${missing[@]}"; do
  installed "$p" && continue
  "${apt[@]}" install -y -qq --no-install-recommends "$p" 2>>"$reasons" || failed+=("$p")
done
if [ ${#failed[@]} -gt 0 ]; then
  grep -E '^E:' "$reasons" | sort -u >&2 || true
  echo "could not install: ${failed[*]}" >&2
fi
rm -f "$reasons"
[ ${#failed[@]} -eq 0 ]
