#!/usr/bin/env bash
# End to end in a Wayland session: a headless weston with Xwayland, which
# gives its clients both WAYLAND_DISPLAY and DISPLAY, as GNOME and KDE on
# Wayland do.
#
# 1. Both set and no platform chosen: the player runs on X11 through
#    Xwayland and says nothing about it. Its windows stand on the Xwayland
#    display: the panel's frame at its stored place, the movie window's at
#    the centred place of its picture. Weston places an X window once, when
#    it is mapped, with its frame's corner where the window asked to be, and
#    tells nobody its frame's size (no _NET_FRAME_EXTENTS): the two frames
#    are compared with each other and with what the player asked for.
# 2. WAYLAND_DISPLAY alone: the player runs natively, plays its words to
#    their /CLOSE and ends with status 0, again saying nothing.
#
# Skipped (77) when weston cannot start here, or cannot start Xwayland.
#
# usage: e2e_wayland_session.sh BUILD_DIR
set -u

E2E_PACKAGES="weston xwayland qt6-wayland x11-utils xdotool"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display (unused: weston brings its own) ----------------

skip() {
  echo "SKIP: $*"
  [ -s "$work/weston.log" ] && tail -n 15 "$work/weston.log"
  exit 77
}

runtime="$work/runtime"
mkdir -m 700 "$runtime"
socket="kinetrope-test-$$"
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --xwayland --socket="$socket" \
  --width=1024 --height=768 --idle-time=0 > "$work/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2> /dev/null; wait "$weston_pid" 2> /dev/null; cleanup' EXIT

xdisplay=""
for _ in $(seq 1 100); do
  xdisplay=$(sed -n 's/.*xserver listening on display \(:[0-9]\+\).*/\1/p' "$work/weston.log")
  [ -n "$xdisplay" ] && break
  kill -0 "$weston_pid" 2> /dev/null || skip "weston did not start with its headless back end"
  sleep 0.1
done
[ -n "$xdisplay" ] || skip "weston started no Xwayland display"
# Xwayland itself starts at the first X client.
DISPLAY=$xdisplay xwininfo -root > /dev/null 2>&1 || skip "weston's Xwayland on $xdisplay does not answer"

export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland
unset QT_QPA_PLATFORM
cp "$demo" "$work/demo.flc"
mkdir -p "$XDG_CONFIG_HOME/Kinetrope"
printf '[Kinetrope]\nWindowLeft=300\\x00\nWindowTop=200\\x00\n' > "$XDG_CONFIG_HOME/Kinetrope/Kinetrope.conf"

# ---- 1. Both displays: X11 through Xwayland.
export DISPLAY=$xdisplay
(cd "$work" && exec "$player" /PLAY demo.flc) > "$work/player.log" 2>&1 &
player_pid=$!

# "X Y W H" of a window, absolute.
geometry() {
  local info
  info=$(xwininfo -id "$1") || fail "no window $1"
  echo "$(sed -n 's/.*Absolute upper-left X: *//p' <<< "$info") $(sed -n 's/.*Absolute upper-left Y: *//p' <<< "$info")" \
    "$(sed -n 's/.*Width: *//p' <<< "$info") $(sed -n 's/.*Height: *//p' <<< "$info")"
}
# The window of this name (on the Xwayland display) and weston's frame around it.
client_and_frame() {
  local id="" parent
  for _ in $(seq 1 100); do
    id=$(xdotool search --name "$1" 2> /dev/null | head -1)
    [ -n "$id" ] && parent=$(xwininfo -id "$id" -children | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p') &&
      [ -n "$parent" ] && [ "$(printf %d "$parent")" != "$(printf %d "$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')")" ] &&
      break
    id=""
    sleep 0.1
  done
  [ -n "$id" ] || fail "no framed window named $1 on weston's Xwayland display $xdisplay"
  echo "$(geometry "$id") $(geometry "$parent")"
}
asked_place() { xprop -id "$(xdotool search --name "$1" | head -1)" WM_NORMAL_HINTS | sed -n 's/.*user specified location: \([-0-9]*\), \([-0-9]*\)/\1 \2/p'; }

read -r _ _ pw ph pfx pfy pfw pfh <<< "$(client_and_frame '^Kinetrope 32bit')"
movie_name='^(DEMO|demo)\.(FLC|flc)$'
read -r mx my mw mh mfx mfy mfw mfh <<< "$(client_and_frame "$movie_name")"
sleep 2 # placements settle; weston takes no move after the map
read -r _ _ pw ph pfx pfy pfw pfh <<< "$(client_and_frame '^Kinetrope 32bit')"
read -r mx my mw mh mfx mfy mfw mfh <<< "$(client_and_frame "$movie_name")"
echo "panel ${pw}x$ph in weston's frame ${pfw}x$pfh+$pfx+$pfy; movie window ${mw}x$mh in ${mfw}x$mfh+$mfx+$mfy"

[ "$(asked_place '^Kinetrope 32bit')" = "300 200" ] || fail "the panel asked for $(asked_place '^Kinetrope 32bit'), not its stored 300,200"
centre_x=$(((1024 - mw) / 2))
centre_y=$(((768 - mh) / 2))
[ "$mw x $mh" = "320 x 200" ] || fail "the movie window is ${mw}x$mh, not the demo's 320x200"
[ "$(asked_place "$movie_name")" = "$centre_x $centre_y" ] ||
  fail "the movie window asked for $(asked_place "$movie_name"), not the centred $centre_x $centre_y"
# Both frames are weston's alike, so their corners lie as far apart as the places asked for.
[ $((pfw - pw)) = $((mfw - mw)) ] && [ $((pfh - ph)) = $((mfh - mh)) ] || fail "weston framed the two windows differently"
[ "$((mfx - pfx)) $((mfy - pfy))" = "$((centre_x - 300)) $((centre_y - 200))" ] ||
  fail "the frames stand $((mfx - pfx)),$((mfy - pfy)) apart, not $((centre_x - 300)),$((centre_y - 200)): a place was not kept"
grep -i 'qt\.qpa\|wayland' "$work/player.log" && fail "the player spoke of its platform"
echo "ok: on Xwayland without a word, the panel stands at its stored 300,200 and the movie window at the centred $centre_x,$centre_y"

# Keys made up on Xwayland reach no window: weston decides the focus.
kill "$player_pid"
wait "$player_pid" 2> /dev/null
player_pid=""

# ---- 2. No DISPLAY: natively on Wayland.
unset DISPLAY
# libwayland-client and a plugin unloaded at the end keep memory to the
# last; the program's own leaks are looked for by every other test.
(cd "$work" && ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" exec "$player" demo.flc /CLOSE) > "$work/player.log" 2>&1 &
player_pid=$!
await_player_end "the words' /CLOSE natively on Wayland" 30
[ "$player_status" = 0 ] || fail "natively on Wayland the program ended with status $player_status"
[ -s "$work/player.log" ] && { cat "$work/player.log"; fail "natively on Wayland the player wrote on standard error"; }
echo "ok: without DISPLAY the player runs natively on Wayland, plays and ends with status 0"
echo "PASS"
