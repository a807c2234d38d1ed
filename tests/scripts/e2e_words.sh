#!/usr/bin/env bash
# End to end on a virtual X display: the real program driven by its words.
#
# 1. "/DELAY 40 small.flc /CLOSE" plays the flic from disk once, in a real
#    movie window captioned with the name as found on disk (Small.flc, named
#    small.flc), taking at least frames x 40 ms, and the program ends by
#    itself with status 0, writing no settings;
# 2. "!show.txt", a script of the same words in CR LF lines, does the same.
#
# A run that shows a message box, or loops, never ends and fails on the timeout.
#
# usage: e2e_words.sh BUILD_DIR
set -u

E2E_PACKAGES="x11-utils"
source "$(dirname "$0")/lib/e2e_common.sh"

# ---- On the virtual display ------------------------------------------------

# The name on disk differs in case from the one the words give: found whatever its case.
cp "$demo" "$work/Small.flc"
frames=$("$cli" info "$work/Small.flc" | sed -n 's/^Frames *: *//p')
[ -n "$frames" ] && [ "$frames" -gt 1 ] || fail "kinetrope-cli gave no frame count"
shortest_ms=$(((frames - 1) * 40))
printf '/DELAY\r\n40\r\nsmall.flc\r\n/CLOSE\r\n' > "$work/show.txt"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Sets play_and_end's "seen" once the movie window is up.
spot_movie_window() { $seen || ! xwininfo -root -tree 2> /dev/null | grep -qF '"Small.flc"' || seen=true; }

# Runs the player in the work folder with these words; checks it shows the
# flic in its movie window and ends by itself, well after the last frame's delay.
play_and_end() {
  local what=$1
  shift
  rm -rf "$XDG_CONFIG_HOME"
  local start
  start=$(now_ms)
  (cd "$work" && exec "$player" "$@") > "$work/player.log" 2>&1 &
  player_pid=$!
  local seen=false
  await_player_end "$what" 60 spot_movie_window
  local elapsed=$(($(now_ms) - start))
  [ "$player_status" -eq 0 ] || fail "$what: ended with status $player_status"
  $seen || fail "$what: no movie window captioned Small.flc came up"
  [ "$elapsed" -ge "$shortest_ms" ] || fail "$what: ended after $elapsed ms, before $frames frames at 40 ms"
  [ ! -e "$XDG_CONFIG_HOME/Kinetrope" ] || fail "$what: settings were written"
  echo "ok: $what ($frames frames, $elapsed ms)"
}

play_and_end "command line" /DELAY 40 small.flc /CLOSE
play_and_end "script" '!show.txt'
echo "PASS"
