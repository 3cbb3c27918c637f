# The web build's pieces, shared by scripts/web and scripts/test-web.
# shellcheck shell=bash
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

WEB_OUT=$ROOT/build-web
WEB_CMAKE=$WEB_OUT/cmake
WEB_DEPS=$WEB_OUT/deps
WEB_PACKAGES=(emscripten nodejs dpkg-dev fonts-liberation2 libgtest-dev cmake make)
# Debian's emcc finds its JavaScript helpers (acorn) only here.
export NODE_PATH=/usr/share/nodejs

# web_source NAME BINARY: unpacks Debian's source package NAME (the version the
# installed package BINARY was built from) into $WEB_DEPS/src/NAME.
web_source() {
  local name=$1 binary=$2 version
  version=$(dpkg-query -W -f='${source:Version}' "$binary")
  mkdir -p "$WEB_DEPS/src"
  if ! ls "$WEB_DEPS/src/${name}_"*.dsc >/dev/null 2>&1; then
    if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
      # Source lines for the release the machine runs.
      local suite
      suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
      printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$suite" > /etc/apt/sources.list.d/kx-web-src.sources
      apt-get update -qq >/dev/null
    fi
    (cd "$WEB_DEPS/src" && apt-get source -qq --download-only "$name=$version" >/dev/null 2>&1 ||
      apt-get source -qq --download-only "$name" >/dev/null 2>&1)
  fi
  rm -rf "${WEB_DEPS:?}/src/$name"
  (cd "$WEB_DEPS/src" && dpkg-source -x "${name}_"*.dsc "$name" >/dev/null)
}

# zlib for wasm from Debian's source package: FreeType and libpng both use it, as the
# native ones do.
web_zlib() {
  local prefix=$WEB_DEPS/zlib
  [ -f "$prefix/lib/libz.a" ] && return 0
  web_source zlib zlib1g
  # Its own script, not its CMake file (that one wants the Windows files Debian drops).
  (cd "$WEB_DEPS/src/zlib" && emconfigure ./configure --static >/dev/null &&
    emmake make -j "$JOBS" libz.a >/dev/null)
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$WEB_DEPS/src/zlib/libz.a" "$prefix/lib/"
  cp "$WEB_DEPS/src/zlib/zlib.h" "$WEB_DEPS/src/zlib/zconf.h" "$prefix/include/"
}

# FreeType for wasm from Debian's own source package (the same release as the
# native library, Debian's patches applied), so glyphs match the native build.
web_freetype() {
  local prefix=$WEB_DEPS/freetype zlib=$WEB_DEPS/zlib
  [ -f "$prefix/lib/libfreetype.a" ] && return 0
  web_zlib
  web_source freetype libfreetype6
  emcmake cmake -S "$WEB_DEPS/src/freetype" -B "$WEB_DEPS/freetype-build" -DCMAKE_BUILD_TYPE=Release \
    -DFT_REQUIRE_ZLIB=ON -DZLIB_INCLUDE_DIR="$zlib/include" -DZLIB_LIBRARY="$zlib/lib/libz.a" \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
    -DFT_DISABLE_BROTLI=ON -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$WEB_DEPS/freetype-build" -j "$JOBS" >/dev/null
  cmake --install "$WEB_DEPS/freetype-build" >/dev/null
}

# libpng for wasm from Debian's source package, for the golden pictures' tests: they
# read and write PNG through the same library as the native build.
web_libpng() {
  local prefix=$WEB_DEPS/png zlib=$WEB_DEPS/zlib
  [ -f "$prefix/lib/libpng.a" ] && return 0
  web_zlib
  web_source libpng1.6 libpng16-16
  emcmake cmake -S "$WEB_DEPS/src/libpng1.6" -B "$WEB_DEPS/png-build" -DCMAKE_BUILD_TYPE=Release \
    -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_INCLUDE_DIR="$zlib/include" -DZLIB_LIBRARY="$zlib/lib/libz.a" \
    -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$WEB_DEPS/png-build" -j "$JOBS" >/dev/null
  cmake --install "$WEB_DEPS/png-build" >/dev/null
  # Only the static library is built: whoever links it needs zlib too.
  sed -i "s|^Libs: .*|& -L$zlib/lib -lz -lm|" "$prefix"/lib/pkgconfig/libpng*.pc
}

# web_build TARGET...: configures build-web/cmake once and builds the targets.
web_build() {
  ensure_packages "${WEB_PACKAGES[@]}"
  web_freetype
  web_libpng
  if [ ! -f "$WEB_CMAKE/CMakeCache.txt" ]; then
    # The libraries built here count as the target's own: a root of their own.
    cmake -S "$ROOT" -B "$WEB_CMAKE" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/emscripten.cmake" \
      -DCMAKE_FIND_ROOT_PATH="$WEB_DEPS" \
      -DCMAKE_PREFIX_PATH="$WEB_DEPS/freetype;$WEB_DEPS/png" -DCMAKE_BUILD_TYPE=Release -DBUILD_BENCH=OFF >/dev/null
  fi
  cmake --build "$WEB_CMAKE" -j "$JOBS" --target "$@"
}

# The site: our page and the program's files side by side.
web_site() {
  cp "$ROOT/web/index.html" "$ROOT/web/page.js" "$WEB_OUT/"
  cp "$WEB_CMAKE"/app/bug-garden.{js,wasm,data} "$WEB_OUT/"
}
