#!/usr/bin/env bash
# Takes the README's screenshots on a virtual X display with a window manager:
#   scripts/screenshots.sh [BUILD_DIR]
# BUILD_DIR defaults to build/release, which is built first (as ./run does).
# Writes docs/screenshots/control-panel.png, movie-window.png and
# full-screen.png, the demo flic playing in each.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
kinetrope_install_packages xvfb xauth openbox x11-utils xdotool ffmpeg

build=${1:-build/release}
if [ $# -eq 0 ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKINETROPE_TESTS=OFF -DKINETROPE_BENCH=OFF > /dev/null
  cmake --build "$build" -j "$(nproc)" --target kinetrope
fi
player=$(cd "$build" && pwd)/kinetrope
demo=$PWD/demo/demo.flc
out=$PWD/docs/screenshots
mkdir -p "$out"

if [ -z "${KINETROPE_SHOTS_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" env KINETROPE_SHOTS_DISPLAY=1 bash "$0" "$build"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy

openbox > /dev/null 2>&1 &
pids+=($!)
sleep 1

grab() { # grab FILE.png [ffmpeg filter]
  ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size 1024x768 -i "$DISPLAY" -frames:v 1 \
    ${2:+-vf "$2"} "$1"
}
# The on-screen rectangle of the top-level window whose name starts with
# NAME, with the window manager's frame: "W:H:X:Y" for ffmpeg's crop.
frame_of() {
  local line id w h x y left right top bottom
  line=$(xwininfo -root -tree | grep -F "\"$1" | head -n 1) || return 1
  id=$(echo "$line" | awk '{print $1}')
  read -r w h x y <<< "$(echo "$line" | sed -E 's/.* ([0-9]+)x([0-9]+)[+-][-0-9]+[+-][-0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \3 \4/')"
  read -r left right top bottom <<< "$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ,)"
  echo "$((w + ${left:-0} + ${right:-0})):$((h + ${top:-0} + ${bottom:-0})):$((x - ${left:-0})):$((y - ${top:-0}))"
}
wait_for() {
  for _ in $(seq 1 100); do
    xwininfo -root -tree | grep -qF "\"$1" && return 0
    sleep 0.1
  done
  echo "no window \"$1\" came up; the player said:" >&2
  cat "$work/player.log" >&2
  return 1
}

# The control panel and the movie window, the demo looping in it. The words
# run before the panel first shows, so the demo plays once from them; then
# L (loop on) and F (play from disk) in the panel play it again, looping.
# Started in the demo's folder, so the movie window's caption is the short name.
(cd "$(dirname "$demo")" && exec "$player" demo.flc) > "$work/player.log" 2>&1 &
pids+=($!)
caption=DEMO.FLC
wait_for "Kinetrope 32bit v2.52"
wait_for "$caption"
window_id() { xwininfo -root -tree | grep -F "\"$1" | head -n 1 | awk '{print $1}'; }
xdotool windowactivate --sync "$(window_id "Kinetrope 32bit v2.52")" key l f
sleep 1
# Each playback centres the movie window, which then hides the panel's lower edge.
xdotool windowmove "$(window_id "$caption")" 352 360
sleep 1
grab "$out/control-panel.png" "crop=$(frame_of "Kinetrope 32bit v2.52")"
grab "$out/movie-window.png" "crop=$(frame_of "$caption")"
kill "${pids[-1]}"
echo "wrote docs/screenshots/control-panel.png and movie-window.png"

# Full screen, halved to keep the file small.
(cd "$(dirname "$demo")" && exec "$player" /DIRECTXON /LOOPON demo.flc) > "$work/player.log" 2>&1 &
pids+=($!)
sleep 4
grab "$out/full-screen.png" "scale=512:384:flags=neighbor"
# Full-screen playback covers the screen with the movie window; without it the shot would show the usual windows.
if ! xwininfo -root -tree | grep -F '("kinetrope"' | grep -q ' 1024x768+'; then
  echo "warning: no window of the player covers the screen; the full-screen shot shows the usual windows" >&2
fi
kill "${pids[-1]}" 2> /dev/null || true
echo "wrote docs/screenshots/full-screen.png"
