#!/usr/bin/env bash
# ffmpeg as an outside oracle: every real flic that kinetrope-cli check reads
# cleanly is exported with kinetrope-cli export, and each frame of the first
# pass must agree with ffmpeg's own decoding, palette index for palette index,
# colours included (see ffmpeg_compare.py for how ffmpeg widens 6-bit colours).
#
# usage: ffmpeg_oracle.sh BUILD_DIR
# The flics come from ../shared/flics beside the source tree, or from
# $KINETROPE_SHARED_FLICS.
set -u

build_dir=${1:?usage: ffmpeg_oracle.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
cli="$build_dir/kinetrope-cli"
flics=${KINETROPE_SHARED_FLICS:-$here/../../../shared/flics}

if [ ! -x "$cli" ]; then
  echo "FAIL: $cli is not built"
  exit 1
fi
if [ ! -d "$flics" ]; then
  echo "SKIP: no shared flics at $flics"
  exit 0
fi

install_ffmpeg() {
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo > /dev/null || return 1
    sudo="sudo -n"
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y -qq ffmpeg > /dev/null 2>&1 ||
    { $sudo apt-get update -qq > /dev/null 2>&1 && $sudo apt-get install -y -qq ffmpeg > /dev/null 2>&1; }
}

if ! command -v ffmpeg > /dev/null; then
  echo "ffmpeg is missing; installing it with apt-get"
  install_ffmpeg
fi
if ! command -v ffmpeg > /dev/null; then
  echo "SKIP: ffmpeg is not installed and cannot be installed here"
  exit 0
fi
if ! command -v python3 > /dev/null; then
  echo "SKIP: python3 is needed for the comparison"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

matched=0
failed=0
skipped=0
for flic in "$flics"/*.fli "$flics"/*.flc "$flics"/*.cel; do
  [ -f "$flic" ] || continue
  name=$(basename "$flic")
  if ! "$cli" check "$flic" > "$work/check.txt" 2>&1; then
    echo "SKIP $name: kinetrope-cli check finds it damaged ($(head -n 1 "$work/check.txt"))"
    skipped=$((skipped + 1))
    continue
  fi
  rm -f "$work"/frame*.bmp "$work/ffmpeg.raw"
  # passthrough: one picture per frame record, none repeated or dropped for timing.
  if ! ffmpeg -nostdin -v error -i "$flic" -f rawvideo -pix_fmt pal8 -fps_mode passthrough \
      "$work/ffmpeg.raw" > "$work/ffmpeg.txt" 2>&1 || [ ! -s "$work/ffmpeg.raw" ]; then
    echo "SKIP $name: ffmpeg cannot decode it ($(head -n 1 "$work/ffmpeg.txt"))"
    skipped=$((skipped + 1))
    continue
  fi
  if ! "$cli" export "$flic" "$work/frame" > "$work/export.txt" 2>&1; then
    echo "FAIL $name: kinetrope-cli export failed: $(cat "$work/export.txt")"
    failed=$((failed + 1))
    continue
  fi
  if result=$(python3 "$here/ffmpeg_compare.py" "$flic" "$work/frame" "$work/ffmpeg.raw" 2>&1); then
    echo "MATCH $name: $result"
    matched=$((matched + 1))
  else
    echo "FAIL $name: $result"
    failed=$((failed + 1))
  fi
done

echo "$matched passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
