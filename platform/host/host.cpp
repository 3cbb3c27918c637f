// Choosing the host: forced by PLATFORM_HOST, else the desktop. A desktop program
// that finds no display says so and ends; only PLATFORM_HOST=headless runs without.
#include "host/host.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
  if (auto sdl = MakeSdlHost()) return sdl;
  std::fputs(NoDisplayMessage().c_str(), stderr);
  std::fflush(stderr);
  std::exit(1);
#endif
}

}  // namespace

std::string NoDisplayMessage() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  std::string tried;
  if (x && *x) tried = std::string("cannot open X display \"") + x + "\"";
  if (wayland && *wayland) {
    tried += tried.empty() ? "cannot open " : " nor ";
    tried += std::string("Wayland display \"") + wayland + "\"";
  }
  if (tried.empty()) tried = "DISPLAY and WAYLAND_DISPLAY are not set";
  return std::string(program_invocation_short_name) + ": no display: " + tried +
         "; run it on a desktop, under xvfb-run, or with PLATFORM_HOST=headless\n";
}

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
