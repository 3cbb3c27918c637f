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

# Every Debian package the project needs, in one list. A name alone is needed by every
# build; NAME@test only by scripts/test, NAME@windows only by the Windows cross build and
# its run under Wine, so that scripts/run installs no test tool and no Wine.
# Add to it with PACKAGES+=(...).
PACKAGES=(
  cmake g++ make pkg-config libgtest-dev libbenchmark-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2 libsdl2-dev
  xvfb@test xauth@test xdotool@test x11-utils@test imagemagick@test gcc@test libx11-dev
  libxtst6@test clang@test libclang-rt-dev@test clang-format@test
  g++-mingw-w64-x86-64@windows wine64@windows xvfb@windows imagemagick@windows
)
# PNG and GIF through their libraries: the replay tool, the golden pictures, the icons.
PACKAGES+=(libpng-dev libgif-dev)
# Packaging (scripts/package) and the checks on the installed files and packages.
PACKAGES+=(dpkg-dev@package file@package lintian@package desktop-file-utils@package
  man-db@package groff-base@package xvfb@package xauth@package xdotool@package)
# The desktop end-to-end tests: a real window manager, a Wayland compositor, XTest headers.
PACKAGES+=(openbox@test weston@test libxtst-dev@test)
# The Wayland test's own seat for weston's headless back-end is a weston module.
PACKAGES+=(libweston-10-dev@test)
# Frames go to a local X server through shared memory (MIT-SHM, in libXext).
PACKAGES+=(libxext-dev)

# packages_for USE: the names in PACKAGES that USE (build, test or windows) needs.
packages_for() {
  local use=$1 entry
  for entry in "${PACKAGES[@]}"; do
    case $entry in
      *@*) [ "${entry#*@}" = "$use" ] && echo "${entry%@*}" ;;
      *) echo "$entry" ;;
    esac
  done
  return 0
}

# ensure_packages_for USE...: installs what the USEs need and is missing.
ensure_packages_for() {
  local names=() use
  for use in "$@"; do
    mapfile -t -O "${#names[@]}" names < <(packages_for "$use")
  done
  ensure_packages "${names[@]}"
}

# configure_build PRESET [CMAKE ARGS...]: configures and builds one of CMakePresets.json's
# configurations in its own folder (build/, build-asan/, ...), so no two uses share a
# folder's options. Works from any directory.
configure_build() {
  local preset=$1; shift
  (cd "$ROOT" && cmake --preset "$preset" "$@" >/dev/null && cmake --build --preset "$preset" -j "$JOBS")
}
