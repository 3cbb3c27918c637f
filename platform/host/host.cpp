// Choosing the host: forced by PLATFORM_HOST, else the desktop when a display
// answers, else headless.
#include "host/host.h"

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

std::unique_ptr<Host>& Current() {
  static std::unique_ptr<Host> host;
  return host;
}

std::unique_ptr<Host> Choose() {
  const char* forced = std::getenv("PLATFORM_HOST");
  if (forced && std::strcmp(forced, "headless") == 0) return MakeHeadlessHost();
#ifdef __EMSCRIPTEN__
  // In a page the canvases; under node (the tests) there is nothing but headless.
  if (auto web = MakeWebHost()) return web;
  return MakeHeadlessHost();
#else
  if (forced && std::strcmp(forced, "sdl") == 0) {
    if (auto sdl = MakeSdlHost()) return sdl;
    return MakeHeadlessHost();  // asked for a display that cannot be opened
  }
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x && *x) || (wayland && *wayland)) {
    if (auto sdl = MakeSdlHost()) return sdl;
  }
  return MakeHeadlessHost();
#endif
}

}  // namespace

Host& CurrentHost() {
  auto& h = Current();
  if (!h) h = Choose();
  return *h;
}

void SetHost(std::unique_ptr<Host> host) {
  // Windows of the old host keep their native ids; they are only meaningful to
  // the host that made them, so tests set the host before creating windows.
  Current() = std::move(host);
}

}  // namespace platform
