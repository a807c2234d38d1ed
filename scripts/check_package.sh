#!/usr/bin/env bash
# Makes the two Debian packages, kinetrope (the player) and kinetrope-cli
# (the headless tool), from a release build and checks them
# (tests/scripts/package_deb.sh: contents, dependencies, lintian, the
# thumbnailer). With --install it installs both with apt on this machine and
# plays the installed demo flic, started as the desktop entry starts it,
# with its absolute path:
#   scripts/check_package.sh [--install [--keep]]
# Without --keep the packages are removed again afterwards. Needs root or
# sudo for --install.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
kinetrope_install_packages dpkg-dev file lintian

install=false keep=false
for argument in "$@"; do
  case $argument in
    --install) install=true ;;
    --keep) keep=true ;;
    *) echo "usage: scripts/check_package.sh [--install [--keep]]" >&2; exit 2 ;;
  esac
done

build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKINETROPE_TESTS=OFF -DKINETROPE_BENCH=OFF > /dev/null
cmake --build "$build" -j "$(nproc)"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB --config CPackConfig.cmake -B "$PWD/packages")
debs=("$PWD/$build"/packages/kinetrope_*.deb "$PWD/$build"/packages/kinetrope-cli_*.deb)
for deb in "${debs[@]}"; do
  echo "made $deb ($(du -k "$deb" | cut -f1) KB)"
  dpkg-deb -f "$deb" Package Version Depends Recommends
done
bash tests/scripts/package_deb.sh "$build"
$install || exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 install -y "${debs[@]}"
status=0
KINETROPE_PREFIX=/usr bash tests/scripts/e2e_installed_desktop_entry.sh "$build" || status=$?
if ! $keep; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 remove -y kinetrope kinetrope-cli
fi
exit $status
