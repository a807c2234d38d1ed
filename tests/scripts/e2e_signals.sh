#!/usr/bin/env bash
# End to end on a virtual X display: the signals that end a player from
# outside end it as its Exit button does.
#
# 1. SIGTERM while a flic plays: the playback stops, the brightness the user
#    changed with "]" is saved, and the program ends with status 0;
# 2. SIGINT (Ctrl-C) in the next run: the change made with "[" is saved and
#    the status is 130, as a shell reports an interrupted program;
# 3. SIGHUP while another process holds the options' save lock keeps the
#    player saving; a second signal then ends it at once, killed by that
#    signal, with the options file as it was.
#
# usage: e2e_signals.sh BUILD_DIR
set -u

E2E_PACKAGES="xdotool x11-utils util-linux"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

options="$XDG_CONFIG_HOME/Kinetrope/Kinetrope.conf"
holder_pid=""
trap 'cleanup; [ -z "$holder_pid" ] || kill "$holder_pid" 2> /dev/null' EXIT

start_player() {
  "$player" > "$work/player.log" 2>&1 &
  player_pid=$!
  wait_for_window "Kinetrope 32bit v2.52" "398x136+220+156"
  panel=$(xdotool search --name '^Kinetrope 32bit' | head -n 1)
  [ -n "$panel" ] || fail "no control panel window"
}

# Types into the control panel: "]" and "[" move the brightness bar by 5.
type_to_panel() { xdotool windowfocus --sync "$panel" type --delay 50 "$1"; }

stored_brightness() { sed -n 's/^Brightness=\([0-9]*\)\(\\x00\)\{0,1\}$/\1/p' "$options" 2> /dev/null; }

# 1. A playback of the demo, chosen with the Load button, looping as the panel starts.
start_player
type_to_panel "]]"
choose_with_load_button "$demo"
wait_for_window "$demo\"" "320x200+352+284"
xdotool mousemove 237 275 click 1
sleep 1
kill -0 "$player_pid" 2> /dev/null || fail "the player ended before the signal"
kill -TERM "$player_pid"
await_player_end "SIGTERM during a playback" 10
[ "$player_status" = 0 ] || fail "after SIGTERM the program ended with status $player_status"
[ "$(stored_brightness)" = 10 ] || fail "after SIGTERM the stored brightness is '$(stored_brightness)', not 10"
! grep -q "not saved" "$work/player.log" || fail "the save reported a failure"
echo "ok: SIGTERM during a playback ends the program with status 0, the changed option saved"

# 2. Ctrl-C.
start_player
type_to_panel "["
kill -INT "$player_pid"
await_player_end "SIGINT" 10
[ "$player_status" = 130 ] || fail "after SIGINT the program ended with status $player_status"
[ "$(stored_brightness)" = 5 ] || fail "after SIGINT the stored brightness is '$(stored_brightness)', not 5"
echo "ok: SIGINT ends the program with status 130, the changed option saved"

# 3. A save kept waiting, then a second signal.
start_player
type_to_panel "]"
before=$(cat "$options")
flock "$options.lock" sleep 60 &
holder_pid=$!
sleep 0.5
kill -HUP "$player_pid"
sleep 1
kill -0 "$player_pid" 2> /dev/null || fail "the player did not wait for the save lock after SIGHUP"
kill -TERM "$player_pid"
await_player_end "a second signal" 5
[ "$player_status" = 143 ] || fail "a second signal did not end the program at once (status $player_status)"
[ "$(cat "$options")" = "$before" ] || fail "the options file changed"
echo "ok: a second signal while the first one's save waits ends the program at once"
echo "PASS"
