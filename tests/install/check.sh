#!/usr/bin/env bash
# Builds the Debian package from a Release build tree and checks it the way
# a user meets it: its fields, file list, manual pages, menu entry and
# AppStream data and lintian's verdict; then installs it into a scratch
# root, where plessard must write the same bank as the build tree's
# plessard, vellicor must open its window on that bank and exit 0 when it is
# closed, and the menu entry's launcher must write that bank for a new user
# and play it (window_check.py). Also stages `cmake --install` with
# DESTDIR, which must give the package's files.
# Usage: tests/install/check.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
package=plessard-vellicor

fail() {
  echo "install check: $*" >&2
  exit 1
}

for needed in CPackConfig.cmake plessard tests/e2e/wm_close; do
  [ -e "$build/$needed" ] || fail "$build/$needed is missing: build the tree with its tests first"
done

scratch=$(mktemp -d -t install-check.XXXXXX)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
# Interrupted runs clean up too.
trap 'exit 130' INT
trap 'exit 143' TERM

echo "-- package"
cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" ||
  { cat "$scratch/cpack.log"; fail "cpack failed"; }
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, got: ${debs[*]}"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
echo "$(basename "$deb")"

[ "$(dpkg-deb -f "$deb" Package)" = "$package" ] || fail "package name $(dpkg-deb -f "$deb" Package)"
changelog_version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)
[ "$version" = "$changelog_version" ] ||
  fail "package version $version, but packaging/debian/changelog starts with $changelog_version"
[ "$(basename "$deb")" = "${package}_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "unexpected file name $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libsdl2-2.0-0 libpipewire-0.3-0 libpulse0 libglut; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

echo "-- file list"
dpkg-deb --fsys-tarfile "$deb" | tar -t | sort >"$scratch/files"
diff -u tests/install/package-files.txt "$scratch/files" || fail "the package's files differ from tests/install/package-files.txt"

echo "-- manual pages"
dpkg -x "$deb" "$scratch/root"
for page in plessard vellicor vellicor-play; do
  compressed="$scratch/root/usr/share/man/man1/$page.1.gz"
  gzip -t "$compressed" || fail "$page.1.gz is not gzip data"
  zcat "$compressed" | groff -man -Tutf8 -ww -z 2>"$scratch/warnings"
  [ ! -s "$scratch/warnings" ] || { cat "$scratch/warnings"; fail "$page.1 renders with warnings"; }
  zcat "$compressed" | cmp -s - "man/$page.1" || fail "$page.1.gz is not man/$page.1"
done

echo "-- menu entry and AppStream data"
share=$scratch/root/usr/share
entry=$share/applications/vellicor.desktop
# desktop-file-validate ends with status 0 after warnings too.
if ! complaints=$(desktop-file-validate "$entry" 2>&1) || [ -n "$complaints" ]; then
  echo "$complaints"
  fail "vellicor.desktop does not validate"
fi
launcher=$(sed -n 's/^Exec=//p' "$entry")
[ -f "$scratch/root/usr/bin/$launcher" ] && [ -x "$scratch/root/usr/bin/$launcher" ] ||
  fail "Exec=$launcher is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$entry")
for file in scalable/apps/$icon.svg 48x48/apps/$icon.png; do
  [ -f "$share/icons/hicolor/$file" ] || fail "Icon=$icon, but $file is not installed"
done
metainfo=("$share"/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "${metainfo[@]}" || fail "the AppStream data does not validate"
grep -q '<launchable type="desktop-id">vellicor.desktop</launchable>' "${metainfo[@]}" ||
  fail "the AppStream data does not launch vellicor.desktop"
grep -q "<release version=\"$version\"" "${metainfo[@]}" || fail "the AppStream data lacks release $version"

echo "-- lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

echo "-- cmake --install with DESTDIR"
DESTDIR="$scratch/staged" cmake --install "$build" --prefix /usr/local >/dev/null
(cd "$scratch/staged/usr/local" && find . -mindepth 1 | sort) >"$scratch/staged-files"
(cd "$scratch/root/usr" && find . -mindepth 1 | sort) >"$scratch/package-files"
diff -u "$scratch/package-files" "$scratch/staged-files" || fail "cmake --install stages other files than the package"

echo "-- installed plessard"
mkdir "$scratch/installed" "$scratch/built"
(cd "$scratch/installed" && "$scratch/root/usr/bin/plessard" >"$scratch/installed.out")
(cd "$scratch/built" && "$build/plessard" >"$scratch/built.out")
count=$(find "$scratch/installed/pcm" -name 'test.*.pcm' | wc -l)
[ "$count" -eq 128 ] || fail "the installed plessard wrote $count sample files"
diff -r "$scratch/built/pcm" "$scratch/installed/pcm" || fail "the installed plessard's bank differs"
cmp "$scratch/built.out" "$scratch/installed.out" || fail "the installed plessard's output differs"
echo "128 sample files, byte for byte those of $build/plessard"

echo "-- installed vellicor and $launcher"
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
read -r -t 30 display <"$scratch/display" || true
[ -n "${display:-}" ] || { cat "$scratch/xvfb.log"; fail "Xvfb did not start"; }
DISPLAY=":$display" python3 tests/install/window_check.py --vellicor "$scratch/root/usr/bin/vellicor" \
  --launcher "$scratch/root/usr/bin/$launcher" --wm-close "$build/tests/e2e/wm_close" \
  --base "$scratch/installed/pcm/test"

echo "install check passed"
