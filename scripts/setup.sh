# Installs the Debian packages the build, the player and the tests need, when
# any is missing. Sourced by ./run and ./test.
kinetrope_packages=(cmake g++ make pkg-config libgtest-dev libbenchmark-dev qt6-base-dev
  qt6-base-dev-tools libsdl2-dev libsndfile1-dev libgl1-mesa-dev xvfb xauth scdoc
  libgif-dev libpng-dev libwebp-dev libavcodec-dev libavformat-dev libswscale-dev libxxhash-dev
  libimagequant-dev libxcb1-dev libxcb-shm0-dev)

source "$(dirname "${BASH_SOURCE[0]}")/install_packages.sh"

kinetrope_install_packages "${kinetrope_packages[@]}"
