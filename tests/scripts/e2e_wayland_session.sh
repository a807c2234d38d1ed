#!/usr/bin/env bash
# End to end in a Wayland session: a headless weston with Xwayland, which
# gives its clients both WAYLAND_DISPLAY and DISPLAY, as GNOME and KDE on
# Wayland do.
#
# 1. Both set and no platform chosen: the player runs on X11 through
#    Xwayland and says nothing about it. On weston's screen the panel's
#    frame stands at its stored place and the movie window's frame at the
#    centred place of its picture: weston places an X window once, when it
#    is mapped, with its frame's corner where the window asked to be, and
#    tells nobody its frame's size beforehand (no _NET_FRAME_EXTENTS).
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
  --width=1024 --height=768 --idle-time=0 --debug --logger-scopes=log,xwm-wm-x11 > "$work/weston.log" 2>&1 &
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

# Xwayland's own idea of where a window stands lags behind weston's until the
# window draws again; weston's scene graph and its window manager's log say
# where it really is. The visible frame: the view's corner plus the frame's
# place in it (the rest is shadow), and the frame's size.
xid() {
  local id=""
  for _ in $(seq 1 100); do
    id=$(xdotool search --name "$1" 2> /dev/null | head -1)
    [ -n "$id" ] && grep -q "win $id geometry:" "$work/weston.log" && break
    id=""
    sleep 0.1
  done
  [ -n "$id" ] || fail "weston framed no window named $1 from Xwayland"
  echo "$id"
}
visible_frame() {
  local view geometry
  view=$(WAYLAND_DISPLAY="$socket" timeout 5 weston-debug scene-graph 2> /dev/null |
    grep -A1 -F "top-level window '$2" | sed -n 's/.*position: (\([-0-9]*\), \([-0-9]*\)).*/\1 \2/p' | head -1)
  geometry=$(sed -n "s/.*win $1 geometry: \([-0-9]*\),\([-0-9]*\) \([0-9]*\)x\([0-9]*\).*/\1 \2 \3 \4/p" "$work/weston.log" | tail -1)
  [ -n "$view" ] && [ -n "$geometry" ] || fail "weston does not show the window $2"
  read -r vx vy <<< "$view"
  read -r gx gy gw gh <<< "$geometry"
  echo "$((vx + gx)) $((vy + gy)) $gw $gh"
}
client_size() { xwininfo -id "$1" | sed -n 's/.*\(Width\|Height\): *//p' | tr '\n' ' '; }

panel=$(xid '^Kinetrope 32bit')
movie=$(xid '^(DEMO|demo)\.(FLC|flc)$')
sleep 2 # the playback's end; weston takes no move after the map
read -r px py _ <<< "$(visible_frame "$panel" "Kinetrope 32bit")"
read -r mx my mfw mfh <<< "$(visible_frame "$movie" "$(xwininfo -id "$movie" | sed -n 's/.*"\(.*\)"$/\1/p')")"
read -r mw mh <<< "$(client_size "$movie")"
echo "on weston's screen: the panel's frame at $px,$py; the movie window ${mw}x$mh in a ${mfw}x$mfh frame at $mx,$my"
[ "$px $py" = "300 200" ] || fail "the panel's frame stands at $px,$py, not at the stored 300,200"
[ "$mw $mh" = "320 200" ] || fail "the movie window is ${mw}x$mh, not the demo's 320x200"
# Weston tells no frame size before the map (no _NET_FRAME_EXTENTS) and keeps
# no move after it: the frame's corner goes where the picture is centred.
[ "$mx $my" = "$(((1024 - mw) / 2)) $(((768 - mh) / 2))" ] ||
  fail "the movie window's frame stands at $mx,$my, not at the centred place of its picture"
grep -i 'qt\.qpa\|wayland' "$work/player.log" && fail "the player spoke of its platform"
echo "ok: on Xwayland without a word, the panel's frame stands at its stored 300,200 and the movie window's at $mx,$my"

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
