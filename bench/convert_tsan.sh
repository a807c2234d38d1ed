#!/usr/bin/env bash
# Builds kinetrope-cli with ThreadSanitizer (no Qt) and converts every real
# flic, and a made 640x480 one, to each format that shares its work out
# (GIF, PNG and WebP frames, the FLC writer's candidate chunks) on two and on
# three threads; any race report fails the run. Prints one line per
# conversion and the total time.
#
# usage: bench/convert_tsan.sh [BUILD_DIR]   (default build/tsan)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/tsan}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKINETROPE_GUI=OFF -DKINETROPE_TESTS=OFF \
  -DKINETROPE_HARDEN=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$build" -j2 --target kinetrope-cli make_long_flic >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_long_flic" "$work/made.flc" --frames 40 --size 640 480 >/dev/null
export TSAN_OPTIONS="halt_on_error=1 exitcode=66"
start=$(date +%s)
failed=0
for flic in "$here"/tests/data/flics/{ap,pil}_[a-z0-9]*.{fli,flc,cel} "$work/made.flc"; do
  [ -f "$flic" ] || continue
  "$build/kinetrope-cli" check "$flic" >/dev/null 2>&1 || continue
  for format in gif png webp flc; do
    for threads in 2 3; do
      if "$build/kinetrope-cli" convert "$flic" "$work/out.$format" --threads $threads >/dev/null 2>"$work/err"; then
        echo "clean $(basename "$flic") $format $threads"
      else
        echo "FAIL $(basename "$flic") $format $threads"; sed -n 1,30p "$work/err"; failed=1
      fi
    done
  done
done
echo "$(( $(date +%s) - start )) s"
exit $failed
