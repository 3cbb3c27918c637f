# The web build's pieces, shared by scripts/web and scripts/test-web.
# shellcheck shell=bash
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

WEB_OUT=$ROOT/build-web
WEB_CMAKE=$WEB_OUT/cmake
WEB_DEPS=$WEB_OUT/deps
WEB_PACKAGES=(emscripten nodejs dpkg-dev fonts-liberation2 libgtest-dev cmake make)
# Debian's emcc finds its JavaScript helpers (acorn) only here.
export NODE_PATH=/usr/share/nodejs

# FreeType for wasm from Debian's own source package (the same release as the
# native library, Debian's patches applied), so glyphs match the native build.
web_freetype() {
  local prefix=$WEB_DEPS/freetype
  [ -f "$prefix/lib/libfreetype.a" ] && return 0
  local version
  version=$(dpkg-query -W -f='${source:Version}' libfreetype6)
  mkdir -p "$WEB_DEPS/src"
  if ! ls "$WEB_DEPS"/src/freetype_*.dsc >/dev/null 2>&1; then
    if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
      # Source lines for the release the machine runs.
      local suite
      suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
      printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$suite" > /etc/apt/sources.list.d/kx-web-src.sources
      apt-get update -qq >/dev/null
    fi
    (cd "$WEB_DEPS/src" && apt-get source -qq --download-only "freetype=$version" >/dev/null 2>&1 ||
      apt-get source -qq --download-only freetype >/dev/null)
  fi
  rm -rf "$WEB_DEPS/src/freetype"
  (cd "$WEB_DEPS/src" && dpkg-source -x freetype_*.dsc freetype >/dev/null)
  emcmake cmake -S "$WEB_DEPS/src/freetype" -B "$WEB_DEPS/freetype-build" -DCMAKE_BUILD_TYPE=Release \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
    -DFT_DISABLE_BROTLI=ON -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$WEB_DEPS/freetype-build" -j "$JOBS" >/dev/null
  cmake --install "$WEB_DEPS/freetype-build" >/dev/null
}

# web_build TARGET...: configures build-web/cmake once and builds the targets.
web_build() {
  ensure_packages "${WEB_PACKAGES[@]}"
  web_freetype
  if [ ! -f "$WEB_CMAKE/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$WEB_CMAKE" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/emscripten.cmake" \
      -DCMAKE_PREFIX_PATH="$WEB_DEPS/freetype" -DCMAKE_BUILD_TYPE=Release -DBUILD_BENCH=OFF >/dev/null
  fi
  cmake --build "$WEB_CMAKE" -j "$JOBS" --target "$@"
}

# The site: our page and the program's files side by side.
web_site() {
  cp "$ROOT/web/index.html" "$ROOT/web/page.js" "$WEB_OUT/"
  cp "$WEB_CMAKE"/app/bug-garden.{js,wasm,data} "$WEB_OUT/"
}
