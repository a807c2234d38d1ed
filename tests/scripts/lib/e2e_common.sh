# Shared by the end-to-end scripts: sourced with BUILD_DIR as $1 and the
# Debian packages the script needs in E2E_PACKAGES. It checks
# the build, installs missing tools, restarts the calling script on a virtual
# X display (1024 x 768, true colour, no window manager) and, once there,
# gives it a scratch folder, an empty settings home and the helpers below.

build_dir=$(cd "${1:?usage: $(basename "$0") BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
player="$build_dir/kinetrope"
cli="$build_dir/kinetrope-cli"
demo="$source_dir/demo/demo.flc"

fail() {
  echo "FAIL: $*"
  if [ -s "${work:-}/player.log" ]; then
    echo "the player said:"
    tail -n 20 "$work/player.log"
  fi
  exit 1
}

if [ -z "${KINETROPE_E2E_DISPLAY:-}" ]; then
  [ -x "$player" ] || fail "$player is not built"
  [ -x "$cli" ] || fail "$cli is not built"
  [ -f "$demo" ] || fail "no demo flic at $demo"
  source "$source_dir/scripts/install_packages.sh"
  kinetrope_install_packages xvfb xauth ${E2E_PACKAGES:-} || fail "could not install the test tools"
  exec xvfb-run -a -s "-screen 0 1024x768x24" env KINETROPE_E2E_DISPLAY=1 bash "$0" "$build_dir"
fi

work=$(mktemp -d)
player_pid=""
cleanup() {
  if [ -n "$player_pid" ] && kill -0 "$player_pid" 2> /dev/null; then kill "$player_pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

# No stored settings: the design positions hold, and nothing of the user's is touched.
export XDG_CONFIG_HOME="$work/config"
export QT_QPA_PLATFORM=xcb
# In a sanitizer build: libxkbcommon-x11 hands strndup names without a
# terminating zero, which strict string checks report as an overflow when
# the X connection opens. The later setting wins.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"
