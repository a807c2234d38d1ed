#!/usr/bin/env bash
# End to end on a virtual X display under openbox, with a desktop bar: a
# dock window that reserves the top 40 pixels of the screen
# (_NET_WM_STRUT, _NET_WM_STRUT_PARTIAL), as a panel of a desktop does.
#
# "/PLAYFILE demo.flc /WINMAX /DIRECTXON /LOOPON /PLAYFILE demo.flc": the
# first playback puts the movie window in its place in window output, the
# word maximises it, and the second playback is full screen:
# 1. the movie window is in the full-screen state over the whole screen,
#    1024x768+0+0, in front of the bar, whose rows show the picture's black;
# 2. Alt+F4 is refused and leaves full screen as it is;
# 3. Esc ends the playback and the movie window comes back framed, in the
#    normal state, at the place and size it had before it was maximised;
# 4. Alt+X ends the program with status 0.
#
# usage: e2e_full_screen_desktop.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils python3-xlib"
E2E_WINDOW_MANAGER=openbox
export E2E_WINDOW_MANAGER
source "$(dirname "$0")/lib/e2e_common.sh"

# The Debian package's module is for the system's interpreter.
python=/usr/bin/python3

# desktop.py bar: maps the dock window and waits; desktop.py black Y H:
# exits 0 when rows Y..Y+H-1 of the screen are all black.
cat > "$work/desktop.py" << 'PYTHON'
import sys
from Xlib import X, Xatom, Xutil, display

d = display.Display()
screen = d.screen()
root = screen.root
if sys.argv[1] == "bar":
    width = screen.width_in_pixels
    bar = root.create_window(0, 0, width, 40, 0, screen.root_depth, X.InputOutput, X.CopyFromParent,
                             background_pixel=screen.white_pixel)
    atom = d.intern_atom
    bar.change_property(atom("_NET_WM_WINDOW_TYPE"), Xatom.ATOM, 32, [atom("_NET_WM_WINDOW_TYPE_DOCK")])
    bar.change_property(atom("_NET_WM_STRUT"), Xatom.CARDINAL, 32, [0, 0, 40, 0])
    bar.change_property(atom("_NET_WM_STRUT_PARTIAL"), Xatom.CARDINAL, 32,
                        [0, 0, 40, 0, 0, 0, 0, 0, 0, width - 1, 0, 0])
    # A place of the user's own: the window manager keeps it there.
    bar.set_wm_normal_hints(flags=Xutil.USPosition | Xutil.USSize, x=0, y=0, width=width, height=40)
    bar.map()
    d.sync()
    while True:
        d.next_event()
else:
    y, h = int(sys.argv[2]), int(sys.argv[3])
    image = root.get_image(0, y, screen.width_in_pixels, h, X.ZPixmap, 0x00FFFFFF)
    sys.exit(0 if not any(image.data) else 1)
PYTHON

"$python" "$work/desktop.py" bar &
bar_pid=$!
trap 'kill "$bar_pid" 2> /dev/null; cleanup' EXIT
bar_up() { xprop -root _NET_WORKAREA | grep -qF "= 0, 40, 1024, 728" && ! "$python" "$work/desktop.py" black 0 40; }
for _ in $(seq 1 100); do
  bar_up && break
  sleep 0.1
done
bar_up || fail "no bar on the screen reserving its room: $(xprop -root _NET_WORKAREA)"

# "ID WxH+X+Y" of the movie window, its place on the screen; the name in any case.
movie_window() {
  xwininfo -root -tree | grep -iF '"demo.flc": ("kinetrope"' | head -n 1 |
    awk '{ size = $(NF - 1); sub(/\+.*/, "", size); print $1, size $NF }'
}

# Waits until the movie window stands at WxH+X+Y.
wait_for_movie() {
  for _ in $(seq 1 150); do
    [ "$(movie_window | cut -d' ' -f2)" = "$1" ] && return 0
    sleep 0.1
  done
  fail "the movie window is at $(movie_window | cut -d' ' -f2), not $1 ($2)"
}

cp "$demo" "$work/demo.flc"
(cd "$work" && exec "$player" /PLAYFILE demo.flc /WINMAX /DIRECTXON /LOOPON /PLAYFILE demo.flc) \
  > "$work/player.log" 2>&1 &
player_pid=$!

# 1. Over the whole screen, the bar included.
wait_for_movie 1024x768+0+0 "full screen"
movie=$(movie_window | cut -d' ' -f1)
xprop -id "$movie" _NET_WM_STATE | grep -qF _NET_WM_STATE_FULLSCREEN || fail "the movie window is not full screen"
sleep 0.5
"$python" "$work/desktop.py" black 0 40 || fail "the bar shows over the full-screen picture"
echo "ok: full screen covers 1024x768+0+0, the desktop bar included"

# 2. Alt+F4 changes nothing.
xdotool windowactivate --sync "$movie" key alt+F4
sleep 1
[ "$(movie_window | cut -d' ' -f2)" = 1024x768+0+0 ] || fail "after Alt+F4 the movie window is at $(movie_window)"
xprop -id "$movie" _NET_WM_STATE | grep -qF _NET_WM_STATE_FULLSCREEN || fail "Alt+F4 ended full screen"
"$python" "$work/desktop.py" black 0 40 || fail "after Alt+F4 the bar shows over the picture"
kill -0 "$player_pid" 2> /dev/null || fail "Alt+F4 ended the program"
echo "ok: Alt+F4 leaves full screen as it is"

# 3. Esc: back in its place from before /WINMAX, centred on the screen with its frame.
xdotool windowactivate --sync "$movie" key Escape
framed=""
for _ in $(seq 1 150); do
  framed=$(xprop -id "$movie" _NET_FRAME_EXTENTS 2> /dev/null | sed -n 's/.* = \([0-9]*\), \([0-9]*\), \([1-9][0-9]*\), \([0-9]*\)$/\1 \2 \3 \4/p')
  [ -n "$framed" ] && [ "$(movie_window | cut -d' ' -f2 | cut -d+ -f1)" = 320x200 ] && break
  sleep 0.1
done
[ -n "$framed" ] || fail "the movie window came back without a frame"
read -r left right top bottom <<< "$framed"
x=$(((1024 - 320 - left - right) / 2 + left))
y=$(((768 - 200 - top - bottom) / 2 + top))
wait_for_movie "320x200+$x+$y" "its place before /WINMAX"
xprop -id "$movie" _NET_WM_STATE | grep -qE 'FULLSCREEN|MAXIMIZED' && fail "the movie window is not in the normal state"
echo "ok: Esc brings the movie window back at 320x200+$x+$y, where it was before /WINMAX"

# 4.
xdotool windowactivate --sync "$movie" key alt+x
expect_player_end Alt+X
echo "ok: Alt+X ends the program"
echo "PASS"
