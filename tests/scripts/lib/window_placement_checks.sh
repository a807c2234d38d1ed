# The window checks that a window manager changes, run by
# e2e_window_placement.sh (no window manager) and
# e2e_window_placement_openbox.sh (openbox): sourced after e2e_common.sh.
#
# 1. a stored panel place is the frame's outer corner, and it does not move
#    from run to run;
# 2. the movie window is centred to the pixel, frame included, after a load,
#    after the title option is switched off and on, and after a close request;
# 3. Alt+Enter twice gives back exactly the earlier outer bounds;
# 4. the title option leaves a maximised movie window maximised, unmoved and
#    unresized, and never sends it to the task bar; after Minimize Program,
#    bringing back the panel brings back the movie window too.

with_wm=false
[ -n "${E2E_WINDOW_MANAGER:-}" ] && with_wm=true
what="(${E2E_WINDOW_MANAGER:-no window manager})"

# Outer bounds of a top-level window, frame included: "W H X Y".
outer_bounds() {
  local id=$1 info x y w h l=0 r=0 t=0 b=0 extents
  info=$(xwininfo -id "$id") || fail "no window $id"
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<< "$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<< "$info")
  w=$(sed -n 's/.*Width: *//p' <<< "$info")
  h=$(sed -n 's/.*Height: *//p' <<< "$info")
  extents=$(xprop -id "$id" _NET_FRAME_EXTENTS 2> /dev/null | sed -n 's/.*= *//p' | tr -d ' ')
  if [ -n "$extents" ]; then IFS=, read -r l r t b <<< "$extents"; fi
  echo "$((w + l + r)) $((h + t + b)) $((x - l)) $((y - t))"
}

client_size() {
  local info
  info=$(xwininfo -id "$1") || fail "no window $1"
  echo "$(sed -n 's/.*Width: *//p' <<< "$info")x$(sed -n 's/.*Height: *//p' <<< "$info")"
}

viewable() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
iconic() { xprop -id "$1" WM_STATE 2> /dev/null | grep -q 'state: Iconic'; }
maximised() { xprop -id "$1" _NET_WM_STATE 2> /dev/null | grep -q '_NET_WM_STATE_MAXIMIZED_VERT'; }

# Keys go to the window named: a window manager gives it the focus when
# asked to activate it; without one, the focus is set directly.
keys_to() {
  local id=$1
  shift
  if $with_wm; then
    xdotool windowactivate --sync "$id" 2> /dev/null || xdotool windowactivate "$id"
  else
    xdotool windowfocus --sync "$id"
  fi
  sleep 0.2
  xdotool key "$@"
}

find_window() {
  local pattern=$1 id=""
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2> /dev/null | head -1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window named $pattern $what"
  echo "$id"
}

# Waits until the window's outer bounds (or a condition) settle on what is expected.
expect_bounds() {
  local id=$1 expected=$2 message=$3 now=""
  for _ in $(seq 1 50); do
    now=$(outer_bounds "$id")
    [ "$now" = "$expected" ] && return 0
    sleep 0.1
  done
  fail "$message $what: outer bounds $now, expected $expected"
}

expect_centred() {
  local id=$1 client=$2 message=$3 now="" w h x y
  for _ in $(seq 1 50); do
    now=$(outer_bounds "$id")
    read -r w h x y <<< "$now"
    if [ "$(client_size "$id")" = "$client" ] && [ "$x" = $(((1024 - w) / 2)) ] && [ "$y" = $(((768 - h) / 2)) ]; then
      return 0
    fi
    sleep 0.1
  done
  fail "$message $what: client $(client_size "$id"), outer $now, not $client centred on 1024x768"
}

wait_until() {
  local message=$1
  shift
  for _ in $(seq 1 50); do
    "$@" && return 0
    sleep 0.1
  done
  fail "$message $what"
}

stored() { sed -n "s/^$1=\\([-0-9]*\\)\\(\\\\x00\\)\\{0,1\\}\$/\\1/p" "$XDG_CONFIG_HOME/Kinetrope/Kinetrope.conf"; }

end_with_exit() {
  keys_to "$1" alt+x
  expect_player_end "Alt+X $what"
}

cp "$demo" "$work/demo.flc"
mkdir -p "$XDG_CONFIG_HOME/Kinetrope"
printf '[Kinetrope]\nWindowLeft=300\\x00\nWindowTop=200\\x00\n' > "$XDG_CONFIG_HOME/Kinetrope/Kinetrope.conf"

# The words load the demo into memory and play it once; it stays in memory.
(cd "$work" && exec "$player" /PLAY demo.flc) > "$work/player.log" 2>&1 &
player_pid=$!
panel=$(find_window '^Kinetrope 32bit')
movie=$(find_window '^demo.flc$')
sleep 4  # the demo's 48 frames at 55 ms

# 1. The stored place is the panel frame's outer corner.
read -r _ _ x y <<< "$(outer_bounds "$panel")"
[ "$x $y" = "300 200" ] || fail "the panel's frame stands at $x,$y, not at the stored 300,200 $what"
echo "ok: the panel's frame stands at the stored 300,200 $what"

# 2. Centred to the pixel, frame included.
expect_centred "$movie" 320x200 "after the load the movie window is not centred"
keys_to "$movie" t
movie=$(find_window '^demo.flc$')
expect_centred "$movie" 320x200 "without its title the movie window is not centred"
viewable "$movie" && ! iconic "$movie" || fail "switching the title off hid the movie window $what"
keys_to "$movie" t
movie=$(find_window '^demo.flc$')
expect_centred "$movie" 320x200 "with its title back the movie window is not centred"
viewable "$movie" && ! iconic "$movie" || fail "switching the title on hid the movie window $what"
echo "ok: the movie window is centred with its frame after the load and the title option $what"

# 3. Alt+Enter twice.
before=$(outer_bounds "$movie")
keys_to "$movie" alt+Return
sleep 1
movie=$(find_window '^demo.flc$')
keys_to "$movie" alt+Return
sleep 0.5
movie=$(find_window '^demo.flc$')
expect_bounds "$movie" "$before" "Alt+Enter twice did not give back the earlier bounds"
echo "ok: Alt+Enter twice gives back the bounds $before $what"

# The close request (only a window manager makes one): half the screen wide, centred.
if $with_wm; then
  keys_to "$movie" alt+F4
  expect_centred "$movie" 512x320 "after a close request the movie window is not centred"
  echo "ok: a close request fits the movie window to 512x320, centred $what"
fi

# 4. Maximised, the title option changes neither place nor size.
keys_to "$movie" m
sleep 1
if $with_wm; then wait_until "M did not maximise the movie window" maximised "$movie"; fi
maximised_bounds=$(outer_bounds "$movie")
for step in off on; do
  keys_to "$movie" t
  sleep 0.5
  movie=$(find_window '^demo.flc$')
  expect_bounds "$movie" "$maximised_bounds" "switching the title $step moved or resized the maximised movie window"
  if $with_wm; then wait_until "switching the title $step left the maximised state" maximised "$movie"; fi
  viewable "$movie" && ! iconic "$movie" || fail "switching the title $step sent the movie window away $what"
done
keys_to "$movie" m
echo "ok: maximised, the title option keeps the movie window where it is $what"

# Minimize Program, then the panel brought back brings back the movie window.
info=$(xwininfo -id "$panel")
px=$(sed -n 's/.*Absolute upper-left X: *//p' <<< "$info")
py=$(sed -n 's/.*Absolute upper-left Y: *//p' <<< "$info")
# The panel to the front first: the movie window may cover the button.
if $with_wm; then xdotool windowactivate --sync "$panel"; else xdotool windowraise "$panel"; fi
sleep 0.3
xdotool mousemove $((px + 342 + 13)) $((py + 4 + 13)) click 1
if $with_wm; then
  wait_until "Minimize Program left the panel on the screen" iconic "$panel"
  wait_until "Minimize Program left the movie window on the screen" iconic "$movie"
  xdotool windowactivate "$panel" 2> /dev/null
  wait_until "the panel did not come back" viewable "$panel"
  wait_until "the movie window did not come back with the panel" viewable "$movie"
  iconic "$movie" && fail "the movie window stayed in the task bar $what"
fi
echo "ok: after Minimize Program, bringing back the panel brings back the movie window $what"

end_with_exit "$panel"
[ "$(stored WindowLeft) $(stored WindowTop)" = "300 200" ] ||
  fail "Exit stored the panel at $(stored WindowLeft),$(stored WindowTop), not 300,200 $what"

# Run again: the panel stays put.
"$player" > "$work/player.log" 2>&1 &
player_pid=$!
panel=$(find_window '^Kinetrope 32bit')
sleep 1
read -r _ _ x y <<< "$(outer_bounds "$panel")"
[ "$x $y" = "300 200" ] || fail "in the second run the panel's frame stands at $x,$y, not 300,200 $what"
end_with_exit "$panel"
[ "$(stored WindowLeft) $(stored WindowTop)" = "300 200" ] || fail "the panel's place drifted over two runs $what"
echo "ok: the panel keeps its place over runs $what"
echo "PASS"
