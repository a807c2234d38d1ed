# Shared by the scripts that check the installed tree: sourced with BUILD_DIR
# as $1, it gives them source_dir, kinetrope_install_packages, fail and
# install_tree, which makes a scratch folder $work (gone at exit) and
# installs the build into $prefix there, as `cmake --install` lays it out.

build_dir=$(cd "${1:?usage: $(basename "$0") BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
source "$source_dir/scripts/install_packages.sh"

fail() {
  echo "FAIL: $*"
  exit 1
}

install_tree() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  prefix="$work/prefix"
  cmake --install "$build_dir" --prefix "$prefix" > "$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install failed"; }
}
