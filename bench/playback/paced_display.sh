# Shared by the paced playback benches: sourced with `build_dir` set, it sets
# `player` (PLAYER or the build's), a scratch folder `work` that goes at exit
# with the processes listed in `pids`, `flic` (FLIC or 100 frames of 640 x 480
# moving blocks), and starts a 1920 x 1080 virtual X display, `xvfb` its
# process, under WINDOW_MANAGER when that is set.
player=${PLAYER:-$build_dir/kinetrope}
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

flic=${FLIC:-$work/blocks.flc}
if [ -z "${FLIC:-}" ]; then
  "$build_dir/bench/make_long_flic" "$flic" --frames 100 --size 640 480 > /dev/null || exit 1
fi
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3> "$work/display" 2> /dev/null &
xvfb=$!
pids+=("$xvfb")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$work/config"
if [ -n "${WINDOW_MANAGER:-}" ]; then
  HOME="$work" "$WINDOW_MANAGER" > /dev/null 2>&1 &
  pids+=("$!")
  sleep 1
fi
