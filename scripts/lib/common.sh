# Shared by the scripts: installing what is missing, and building.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

# ensure_packages PKG...: installs the Debian packages among PKG that are missing.
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" != 0 ]; then
    command -v sudo >/dev/null || { echo "error: need root or sudo to install: ${missing[*]}" >&2; return 1; }
    sudo=sudo
  fi
  echo "Installing Debian packages: ${missing[*]}"
  $sudo apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Everything the build and the Linux tests need.
BUILD_PACKAGES=(cmake g++ make pkg-config libgtest-dev libbenchmark-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2 libsdl2-dev)
TEST_PACKAGES=(xvfb xauth xdotool x11-utils imagemagick gcc libx11-dev libxtst6 clang-14 libclang-rt-14-dev)
# The desktop end-to-end tests: a real window manager, a Wayland compositor, XTest headers.
TEST_PACKAGES+=(openbox weston libxtst-dev)

# configure_build DIR [CMAKE ARGS...]
configure_build() {
  local dir=$1; shift
  cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}
