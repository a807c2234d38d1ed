#!/usr/bin/env bash
# The Debian package, as `cpack -G DEB` makes it in BUILD_DIR: its name and
# control fields, its library dependencies found by dpkg-shlibdeps (Qt, and
# the platform plugin named by hand), the installed tree under /usr, and its
# programs running from the unpacked package. (scripts/check_package.sh
# installs a release package with apt and plays a flic from it.)
#
# usage: package_deb.sh BUILD_DIR
set -u

build_dir=$(cd "${1:?usage: $(basename "$0") BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$source_dir/scripts/install_packages.sh"
kinetrope_install_packages dpkg-dev file || { echo "FAIL: could not install dpkg-dev"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

(cd "$build_dir" && cpack -G DEB --config CPackConfig.cmake -B "$work/out") > "$work/cpack.log" 2>&1 ||
  { tail -n 20 "$work/cpack.log"; fail "cpack -G DEB failed"; }
deb=$(ls "$work"/out/kinetrope_*_*.deb 2> /dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack made no kinetrope_VERSION_ARCH.deb"
[ "$(basename "$deb")" = "kinetrope_2.52_$(dpkg --print-architecture).deb" ] || fail "unexpected name $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kinetrope ] || fail "the package is called '$(field Package)'"
[ "$(field Version)" = 2.52 ] || fail "the package's version is '$(field Version)'"
[ -n "$(field Maintainer)" ] || fail "the package has no maintainer"
depends=$(field Depends)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libsdl2-2.0-0 libc6 qt6-qpa-plugins; do
  echo "$depends" | grep -q "\b$needed\b" || fail "Depends lacks $needed: $depends"
done
echo "ok: $(basename "$deb"), Depends: $depends"

dpkg-deb -c "$deb" | awk '{print $6}' > "$work/contents.txt"
for file in ./usr/bin/kinetrope ./usr/bin/kinetrope-cli ./usr/share/applications/kinetrope.desktop \
  ./usr/share/mime/packages/kinetrope.xml ./usr/share/man/man1/kinetrope.1.gz ./usr/share/man/man1/kinetrope-cli.1.gz \
  ./usr/share/kinetrope/demo.flc ./usr/share/icons/hicolor/48x48/apps/kinetrope.png; do
  grep -qxF "$file" "$work/contents.txt" || fail "the package lacks $file"
done
echo "ok: programs, desktop entry, MIME package, manual pages, demo flic and icons under /usr"

dpkg-deb -x "$deb" "$work/root"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
[ "$("$work/root/usr/bin/kinetrope" --version)" = "Kinetrope 32bit v2.52" ] || fail "the packaged kinetrope does not run"
"$work/root/usr/bin/kinetrope-cli" check "$work/root/usr/share/kinetrope/demo.flc" > /dev/null ||
  fail "the packaged kinetrope-cli does not accept the packaged demo flic"
echo "ok: the unpacked programs run"
echo "PASS"
