# Installs the Debian packages the build, the player and the tests need, when
# any is missing. Sourced by ./run and ./test.
kinetrope_packages=(cmake g++ make pkg-config libgtest-dev libbenchmark-dev qt6-base-dev
  qt6-base-dev-tools libsdl2-dev libgl1-mesa-dev xvfb xauth)

kinetrope_install_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

kinetrope_install_packages "${kinetrope_packages[@]}"
