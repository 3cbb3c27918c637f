# Toolchain for the web build with Debian's emscripten: scripts/web passes it, with
# CMAKE_PREFIX_PATH pointing at the FreeType it built for wasm.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
# Debian's node runs emscripten's output only without its experimental fetch.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/node --no-experimental-fetch CACHE STRING "" FORCE)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
