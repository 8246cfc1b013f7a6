#!/usr/bin/env bash
# Installs the Debian packages the kit needs to build, play and test,
# skipping those already present. Further packages may be named as
# arguments; one of another architecture (wine32:i386) gets that
# architecture enabled first.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  clang libclang-rt-14-dev
  libgtest-dev
  libsdl2-dev libpipewire-0.3-dev libpulse-dev
  freeglut3-dev libgl-dev libgl1-mesa-dri libx11-dev
  xvfb xauth xdotool
  pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus
  python3
  dpkg-dev lintian groff-base
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
for p in "${missing[@]}"; do
  arch=${p#*:}
  if [ "$arch" != "$p" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    $sudo dpkg --add-architecture "$arch"
  fi
done
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
