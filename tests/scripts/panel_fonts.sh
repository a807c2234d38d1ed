#!/usr/bin/env bash
# The control panel's layout tests under two font sets: DejaVu alone, and
# DejaVu with the URW base fonts that ImageMagick and Ghostscript bring
# (where "Courier New" becomes Nimbus Mono PS). Whatever fonts a machine
# has, the panels must hold their texts in one pitch.
#
# usage: panel_fonts.sh BUILD_DIR
set -u

build_dir=$(cd "${1:?usage: $(basename "$0") BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tests="$build_dir/tests/control_tests"
[ -x "$tests" ] || { echo "FAIL: $tests is not built"; exit 1; }
source "$source_dir/scripts/install_packages.sh"
kinetrope_install_packages fonts-dejavu-core fonts-urw-base35 || { echo "FAIL: could not install the fonts"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A fontconfig set of these folders alone, with the system's usual rules.
font_set() {
  local name=$1
  shift
  {
    echo '<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "fonts.dtd"><fontconfig>'
    for folder in "$@"; do echo "<dir>$folder</dir>"; done
    echo "<cachedir>$work/cache-$name</cachedir>"
    echo '<include ignore_missing="yes">/etc/fonts/conf.d</include></fontconfig>'
  } > "$work/$name.conf"
  echo "$work/$name.conf"
}

dejavu=/usr/share/fonts/truetype/dejavu
urw=/usr/share/fonts/opentype/urw-base35
for set in "dejavu:$dejavu" "dejavu-urw:$dejavu $urw"; do
  name=${set%%:*}
  # shellcheck disable=SC2086
  config=$(font_set "$name" ${set#*:})
  echo "font set $name: Courier New is $(FONTCONFIG_FILE=$config fc-match 'Courier New')"
  FONTCONFIG_FILE=$config QT_QPA_PLATFORM=offscreen "$tests" --gtest_filter='PanelTest.*' > "$work/$name.log" 2>&1 || {
    tail -n 40 "$work/$name.log"
    echo "FAIL: the panel's layout tests fail with the font set $name"
    exit 1
  }
  echo "ok: the panel's layout tests pass with the font set $name"
done
echo "PASS"
