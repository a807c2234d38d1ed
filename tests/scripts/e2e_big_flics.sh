#!/usr/bin/env bash
# End to end on a virtual X display (1024 x 768, no window manager) with
# flics larger than the screen:
#
# 1. a 4096 x 2048 flic played with /PLAY gets a movie window of 1024 x 512,
#    the largest of its aspect that fits, centred at 0,128; the picture is
#    the flic's scaled down, each quadrant in its colour where it belongs;
# 2. a sparse 1.5 GB flic chosen with the Load button shows a progress box
#    while it loads; Cancel in that box ends the load with nothing kept
#    (the movie window loses the flic's name), and the player, which
#    answered all along, loads the demo afterwards;
# 3. under openbox, which frames the windows, a 4096 x 4096 and the 4096 x
#    2048 flic get movie windows whose frames lie inside the screen, centred,
#    one side spanning it.
#
# usage: e2e_big_flics.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils ffmpeg python3 openbox"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

make_flic() { python3 "$source_dir/tests/scripts/lib/make_big_flic.py" "$@" || fail "could not write $4"; }

# The colour of the grabbed screen's pixel at x, y as rrggbb.
pixel_at() { python3 -c "import sys; d=open(sys.argv[1],'rb').read(); o=(int(sys.argv[3])*1024+int(sys.argv[2]))*3; print(d[o:o+3].hex())" "$@"; }

# Waits until the movie window of $1, frame included, lies inside the
# 1024 x 768 screen, centred, one side spanning it.
expect_framed_fit() {
  local id x y w h left right top bottom
  for _ in $(seq 1 100); do
    sleep 0.1
    id=$(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -n 1)
    [ -n "$id" ] || continue
    read -r x y w h < <(xwininfo -id "$id" 2> /dev/null | awk '/Absolute upper-left/ || /Width:/ || /Height:/ {
      printf "%s ", $NF }')
    read -r left right top bottom < <(xprop -id "$id" _NET_FRAME_EXTENTS 2> /dev/null | sed -n 's/.*= //p' | tr -d ,)
    x=$((${x:-0} - ${left:=0})) y=$((${y:-0} - ${top:=0})) w=$((${w:-0} + left + ${right:-0})) h=$((${h:-0} + top + ${bottom:-0}))
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && { [ "$w" = 1024 ] || [ "$h" = 768 ]; } &&
      [ $(((2 * x + w - 1024) ** 2 + (2 * y + h - 768) ** 2)) -le 8 ] && return 0
  done
  fail "the framed window of $1 is ${w}x${h} at $x,$y"
}

# 1. Wider than the screen, four times over.
make_flic 4096 2048 1 "$work/wide.flc"
"$player" /PLAY "$work/wide.flc" > "$work/player.log" 2>&1 &
player_pid=$!
wait_for_window "$work/wide.flc\"" "1024x512+0+128"
sleep 0.5
grab_screen "$work/wide.rgb"
for expected in "256 256 ff0000" "768 256 00ff00" "256 512 0000ff" "768 512 ffffff"; do
  read -r x y colour <<< "$expected"
  seen=$(pixel_at "$work/wide.rgb" "$x" "$y")
  [ "$seen" = "$colour" ] || fail "at $x,$y the scaled picture shows $seen, not $colour"
done
kill -TERM "$player_pid"
expect_player_end "SIGTERM"
echo "ok: the 4096x2048 flic shows scaled to 1024x512 at 0,128, its quadrants in place"

# 2. A load long enough to see: 2000 frames of 1024 x 768, their pixels holes.
make_flic 1024 768 2000 "$work/huge.flc" --sparse
"$player" > "$work/player.log" 2>&1 &
player_pid=$!
wait_for_window "Kinetrope 32bit v2.52" "398x136+220+156"
choose_with_load_button "$work/huge.flc"
# The movie window takes the flic's name as the load starts, and gives up
# "Kinetrope", which from then on names the progress box alone.
wait_for_window "$work/huge.flc\"" "1024x768+0+0"
box=""
for _ in $(seq 1 600); do
  box=$(xdotool search --onlyvisible --name '^Kinetrope$' 2> /dev/null | head -n 1)
  [ -n "$box" ] && break
  sleep 0.05
done
[ -n "$box" ] || fail "no progress box came up while the flic loaded"
xdotool windowfocus --sync "$box" key Escape 2> /dev/null || fail "could not answer the progress box"
for _ in $(seq 1 200); do
  xwininfo -root -tree | grep -qF "\"$work/huge.flc\"" || break
  sleep 0.1
done
xwininfo -root -tree | grep -qF "\"$work/huge.flc\"" && fail "after Cancel the movie window still names the flic"
echo "ok: the 1.5 GB load showed its progress box, and Cancel ended it"

# The movie window covers the whole screen; a double-click on it brings the panel up.
xdotool mousemove 900 700 click --repeat 2 --delay 50 1
sleep 0.5
choose_with_load_button "$demo"
wait_for_window "$demo\"" "320x200+352+284"
kill -TERM "$player_pid"
expect_player_end "SIGTERM"
echo "ok: the player loads the demo after the cancelled load"

# 3. Framed by a window manager.
HOME="$work" XDG_CONFIG_HOME="$work/wm-config" openbox > "$work/openbox.log" 2>&1 &
window_manager_pid=$!
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && break
  sleep 0.1
done
make_flic 4096 4096 1 "$work/square.flc"
for flic in square.flc:4096:4096 wide.flc:4096:2048; do
  IFS=: read -r name width height <<< "$flic"
  "$player" /PLAY "$work/$name" > "$work/player.log" 2>&1 &
  player_pid=$!
  expect_framed_fit "$work/$name" "$width" "$height"
  kill -TERM "$player_pid"
  expect_player_end "SIGTERM"
done
echo "ok: under openbox the big flics' framed windows fit the screen, centred"
echo "PASS"
