// The desktop host: each native window is an SDL2 window whose software surface
// receives the composed frame. No GPU is needed; under Xvfb software is all there is.
// host.h comes before SDL_syswm.h: the X11 headers define None, Bool and the like
// as macros.
// clang-format off
#include "host/host.h"
#include <SDL.h>
#include <SDL_syswm.h>
// clang-format on

#include <dlfcn.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/x11_guard.h"

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#endif

namespace platform {
namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
using XConnection = Display;

// A window-sized image in memory the X server shares with us: a frame's changed parts
// are copied into it and the server reads them from there, instead of from a request.
struct SharedImage {
  XImage* image = nullptr;
  XShmSegmentInfo segment{};
  unsigned long serial = 0;  // the last put from it, until known to be done; 0 none
};

// Set when the server answers an attach with an error (remote, or refused).
bool shm_refused = false;
int OnShmError(Display*, XErrorEvent*) {
  shm_refused = true;
  return 0;
}
#else
struct XConnection;
struct SharedImage;
#endif

// SDL keycodes follow the keyboard layout, as Win32's virtual keys do; keys with
// no character fall back to their physical scancode.
int VirtualKeyOf(const SDL_Keysym& sym) {
  const SDL_Keycode k = sym.sym;
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + int(k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + int(k - SDLK_0);
  switch (k) {
    case SDLK_SEMICOLON:
      return VK_OEM_1;
    case SDLK_EQUALS:
      return VK_OEM_PLUS;
    case SDLK_COMMA:
      return VK_OEM_COMMA;
    case SDLK_MINUS:
      return VK_OEM_MINUS;
    case SDLK_PERIOD:
      return VK_OEM_PERIOD;
    case SDLK_SLASH:
      return VK_OEM_2;
    case SDLK_BACKQUOTE:
      return VK_OEM_3;
    case SDLK_LEFTBRACKET:
      return VK_OEM_4;
    case SDLK_BACKSLASH:
      return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
      return VK_OEM_6;
    case SDLK_QUOTE:
      return VK_OEM_7;
    default:
      break;
  }
  const SDL_Scancode s = sym.scancode;
  if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F12) return VK_F1 + int(s - SDL_SCANCODE_F1);
  if (s >= SDL_SCANCODE_KP_1 && s <= SDL_SCANCODE_KP_9)
    return VK_NUMPAD0 + 1 + int(s - SDL_SCANCODE_KP_1);
  switch (s) {
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL:
      return VK_CONTROL;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT:
      return VK_SHIFT;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
      return VK_MENU;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
      return VK_RETURN;
    case SDL_SCANCODE_ESCAPE:
      return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE:
      return VK_BACK;
    case SDL_SCANCODE_TAB:
      return VK_TAB;
    case SDL_SCANCODE_SPACE:
      return VK_SPACE;
    case SDL_SCANCODE_LEFT:
      return VK_LEFT;
    case SDL_SCANCODE_RIGHT:
      return VK_RIGHT;
    case SDL_SCANCODE_UP:
      return VK_UP;
    case SDL_SCANCODE_DOWN:
      return VK_DOWN;
    case SDL_SCANCODE_HOME:
      return VK_HOME;
    case SDL_SCANCODE_END:
      return VK_END;
    case SDL_SCANCODE_PAGEUP:
      return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN:
      return VK_NEXT;
    case SDL_SCANCODE_INSERT:
      return VK_INSERT;
    case SDL_SCANCODE_DELETE:
      return VK_DELETE;
    case SDL_SCANCODE_PAUSE:
      return VK_PAUSE;
    case SDL_SCANCODE_CAPSLOCK:
      return VK_CAPITAL;
    case SDL_SCANCODE_KP_0:
      return VK_NUMPAD0;
    case SDL_SCANCODE_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS:
      return VK_ADD;
    case SDL_SCANCODE_KP_MINUS:
      return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD:
      return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE:
      return VK_DIVIDE;
    default:
      return 0;
  }
}

// ---- X11: the window manager's frame, hints and placement ----------------------
// SDL knows nothing of outer boxes; these talk to the manager through the window
// SDL made, on SDL's own connection.
#if defined(SDL_VIDEO_DRIVER_X11)
namespace x11 {

struct Handle {
  Display* display = nullptr;
  ::Window window = 0;
  explicit operator bool() const { return display != nullptr && window != 0; }
};

Handle Of(SDL_Window* w) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return {};
  return {info.info.x11.display, info.info.x11.window};
}

// A manager that follows the desktop conventions announces itself on the root window.
bool ManagerRunning(Display* d) {
  const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  const bool ok = XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type,
                                     &format, &n, &after, &data) == Success &&
                  n == 1 && format == 32;
  if (data) XFree(data);
  return ok;
}

// _NET_FRAME_EXTENTS: left, right, top, bottom in screen pixels.
bool ReadExtents(Handle h, int out[4]) {
  const Atom extents = XInternAtom(h.display, "_NET_FRAME_EXTENTS", True);
  if (extents == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  bool ok = XGetWindowProperty(h.display, h.window, extents, 0, 4, False, XA_CARDINAL, &type,
                               &format, &n, &after, &data) == Success &&
            n == 4 && format == 32;
  if (ok) {
    const long* v = reinterpret_cast<const long*>(data);
    for (int i = 0; i < 4; ++i) {
      out[i] = int(std::clamp<long>(v[i], 0, 4096));
    }
  }
  if (data) XFree(data);
  return ok;
}

// Asks the manager to set _NET_FRAME_EXTENTS before the window is mapped, then
// waits a little for the answer.
bool AskExtents(Handle h, int out[4]) {
  if (!ManagerRunning(h.display)) return false;
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = h.window;
  ev.xclient.message_type = XInternAtom(h.display, "_NET_REQUEST_FRAME_EXTENTS", False);
  ev.xclient.format = 32;
  XSendEvent(h.display, DefaultRootWindow(h.display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  for (int i = 0; i < 100; ++i) {
    XSync(h.display, False);
    if (ReadExtents(h, out)) return true;
    SDL_Delay(5);
  }
  return false;
}

// _MOTIF_WM_HINTS: the buttons and functions the style allows.
void SetHints(Handle h, const NativeStyle& s) {
  enum : long {
    kFunctions = 1,
    kDecorations = 2,
    kFuncResize = 2,
    kFuncMove = 4,
    kFuncMinimize = 8,
    kFuncMaximize = 16,
    kFuncClose = 32,
    kDecorBorder = 2,
    kDecorResize = 4,
    kDecorTitle = 8,
    kDecorMenu = 16,
    kDecorMinimize = 32,
    kDecorMaximize = 64,
  };
  long hints[5] = {kFunctions | kDecorations, kFuncMove | kFuncClose,
                   kDecorBorder | kDecorTitle | kDecorMenu, 0, 0};
  if (s.resizable) hints[1] |= kFuncResize, hints[2] |= kDecorResize;
  if (s.minimize_box) hints[1] |= kFuncMinimize, hints[2] |= kDecorMinimize;
  if (s.maximize_box) hints[1] |= kFuncMaximize, hints[2] |= kDecorMaximize;
  const Atom motif = XInternAtom(h.display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(h.display, h.window, motif, motif, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(hints), 5);
  XFlush(h.display);
}

// Moves the decorated box's top-left corner to (x, y): with the default
// north-west gravity the manager places its frame where the client asks.
void MoveOuter(Handle h, int x, int y) {
  XMoveWindow(h.display, h.window, x, y);
  XFlush(h.display);
}

bool IsExtentsChange(const SDL_SysWMmsg* msg, ::Window* window) {
  if (!msg || msg->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& e = msg->msg.x11.event;
  if (e.type != PropertyNotify) return false;
  if (e.xproperty.atom != XInternAtom(e.xproperty.display, "_NET_FRAME_EXTENTS", True))
    return false;
  *window = e.xproperty.window;
  return true;
}

}  // namespace x11
#endif

// ---- Wayland: a compositor without a seat -----------------------------------
// SDL before 2.30 dereferences its input state while starting its Wayland driver,
// and that state exists only once the compositor has announced a wl_seat: on a
// compositor without one (a kiosk with no input devices, a headless compositor)
// SDL_Init crashes. The compositor is asked first, through the client library SDL
// loads itself; anything unexpected leaves the decision to SDL.
namespace wayland {

struct Listener {
  void (*global)(void* data, void* registry, uint32_t name, const char* interface,
                 uint32_t version);
  void (*global_remove)(void* data, void* registry, uint32_t name);
};

void OnGlobal(void* data, void*, uint32_t, const char* interface, uint32_t) {
  if (interface && std::strcmp(interface, "wl_seat") == 0) *static_cast<bool*>(data) = true;
}
void OnGlobalRemove(void*, void*, uint32_t) {}

bool SdlStartsWithoutSeat() {
  SDL_version v;
  SDL_GetVersion(&v);
  return SDL_VERSIONNUM(v.major, v.minor, v.patch) >= SDL_VERSIONNUM(2, 30, 0);
}

bool OffersSeat(const char* name) {
  void* lib = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return true;
  using Connect = void* (*)(const char*);
  using Disconnect = void (*)(void*);
  using Roundtrip = int (*)(void*);
  using Construct = void* (*)(void*, uint32_t, const void*, ...);
  using AddListener = int (*)(void*, void (**)(void), void*);
  using Destroy = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(dlsym(lib, "wl_display_connect"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(lib, "wl_display_disconnect"));
  auto roundtrip = reinterpret_cast<Roundtrip>(dlsym(lib, "wl_display_roundtrip"));
  auto construct = reinterpret_cast<Construct>(dlsym(lib, "wl_proxy_marshal_constructor"));
  auto add_listener = reinterpret_cast<AddListener>(dlsym(lib, "wl_proxy_add_listener"));
  auto destroy = reinterpret_cast<Destroy>(dlsym(lib, "wl_proxy_destroy"));
  const void* registry_interface = dlsym(lib, "wl_registry_interface");
  bool seat = true;
  if (connect && disconnect && roundtrip && construct && add_listener && destroy &&
      registry_interface) {
    if (void* display = connect(name)) {
      // wl_display.get_registry is request 1; the registry's events follow.
      static const Listener listener{&OnGlobal, &OnGlobalRemove};
      bool found = false;
      if (void* registry = construct(display, 1, registry_interface, nullptr)) {
        add_listener(registry, reinterpret_cast<void (**)(void)>(const_cast<Listener*>(&listener)),
                     &found);
        if (roundtrip(display) >= 0) seat = found;
        destroy(registry);
      }
      disconnect(display);
    }
  }
  dlclose(lib);
  return seat;
}

}  // namespace wayland

// PLATFORM_SCALE=N, else the display's own integer scale when its density says
// it has one (twice 96 dots per inch or more), else 1.
int ChooseScale() {
  if (const char* v = std::getenv("PLATFORM_SCALE"); v && *v) {
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    if (end && *end == '\0' && n >= 1 && n <= 8) return int(n);
    std::fprintf(stderr, "PLATFORM_SCALE=%s ignored: an integer from 1 to 8 is expected\n", v);
    return 1;
  }
  float hdpi = 0;
  if (SDL_GetDisplayDPI(0, nullptr, &hdpi, nullptr) == 0 && hdpi >= 2 * 96.0f - 24.0f)
    return std::clamp(int(hdpi / 96.0f + 0.25f), 1, 8);
  return 1;
}

class SdlHost final : public Host {
 public:
  explicit SdlHost(int scale) : scale_(scale) { SDL_AddEventWatch(&SdlHost::Arrived, this); }
  ~SdlHost() override {
    SDL_DelEventWatch(&SdlHost::Arrived, this);
    for (auto& [id, win] : windows_) {
      ForgetShared(win);
      ForgetGc(win);
      SDL_DestroyWindow(win.window);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  const char* Name() const override { return "sdl"; }

  NativeId CreateNative(const char* title, int x, int y, int width, int height,
                        bool resizable) override {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (resizable) flags |= SDL_WINDOW_RESIZABLE;
    // A Wayland compositor scales a window by its output's integer scale. Left to it,
    // the enlargement is filtered and blurs; with high density allowed the buffer has
    // the output's pixels and SDL enlarges the window's surface nearest-neighbour,
    // while sizes and input stay in the compositor's units, the program's pixels.
    if (const char* driver = SDL_GetCurrentVideoDriver();
        driver && std::strcmp(driver, "wayland") == 0)
      flags |= SDL_WINDOW_ALLOW_HIGHDPI;
    width = std::max(width, 1);
    height = std::max(height, 1);
    // Sized for the frame last seen on a window of its kind, so that the frame
    // this one gets usually changes nothing.
    const FrameExtents guess = resizable ? last_sizable_ : last_fixed_;
    const int cw = std::max(width - guess.left - guess.right, 1);
    const int ch = std::max(height - guess.top - guess.bottom, 1);
    SDL_Window* window = SDL_CreateWindow(title ? title : "", x * scale_, y * scale_, cw * scale_,
                                          ch * scale_, flags);
    if (!window) return 0;
    const NativeId id = SDL_GetWindowID(window);
#if defined(SDL_VIDEO_DRIVER_X11)
    if (!display_) {
      if (auto h = x11::Of(window)) display_ = h.display;
    }
#endif
    Native& n = windows_[id];
    n.window = window;
    n.x = x, n.y = y, n.width = width, n.height = height;
    n.frame = guess;
    n.native_w = cw * scale_;
    n.native_h = ch * scale_;
    return id;
  }

  void StyleNative(NativeId id, const NativeStyle& style) override {
    Native* n = Find(id);
    if (!n) return;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (auto h = x11::Of(n->window)) {
      x11::SetHints(h, style);
      int e[4];
      n->frame = x11::AskExtents(h, e) ? ToProgram(e) : FrameExtents{};
      (style.resizable ? last_sizable_ : last_fixed_) = n->frame;
      Fit(*n);
      return;
    }
#endif
    (void)style;
    n->frame = {};
    Fit(*n);
  }

  FrameExtents NativeFrame(NativeId id) override {
    Native* n = Find(id);
    return n ? n->frame : FrameExtents{};
  }

  void ShowNative(NativeId id, bool visible) override {
    Native* n = Find(id);
    if (!n) return;
    if (visible) {
      SDL_ShowWindow(n->window);
      SDL_RaiseWindow(n->window);
      // Some managers move a window as they map it; put the box back where asked.
      Place(*n);
    } else {
      SDL_HideWindow(n->window);
    }
  }

  void MoveNative(NativeId id, int x, int y, int width, int height) override {
    Native* n = Find(id);
    if (!n) return;
    n->x = x, n->y = y;
    n->width = std::max(width, 1);
    n->height = std::max(height, 1);
    Fit(*n);
  }

  void DestroyNative(NativeId id) override {
    auto it = windows_.find(id);
    if (it == windows_.end()) return;
    ForgetShared(it->second);
    ForgetGc(it->second);
    SDL_DestroyWindow(it->second.window);
    windows_.erase(it);
    // Events already taken for a window that is gone mean nothing any more.
    std::erase_if(pending_, [id](const NativeEvent& e) { return e.window == id; });
  }

  void Present(NativeId id, const Surface& frame, const RECT* changed, int count) override {
    Native* n = Find(id);
    if (!n || frame.width <= 0 || frame.height <= 0) return;
    if (PresentThroughX(n, frame, changed, count)) return;
    SDL_Surface* target = SDL_GetWindowSurface(n->window);
    if (!target) return;
    if (scale_ == 1 && PresentParts(n, target, frame, changed, count)) return;
    const uint32_t* source = frame.pixels.data();
    int fw = frame.width, fh = frame.height;
    if (scale_ > 1) {
      ScaleUp(frame);
      source = scaled_.data();
      fw *= scale_;
      fh *= scale_;
    }
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    const int w = std::min(fw, target->w);
    const int h = std::min(fh, target->h);
    auto* base = static_cast<uint8_t*>(target->pixels);
    if (target->format->format == SDL_PIXELFORMAT_RGB888 ||
        target->format->format == SDL_PIXELFORMAT_ARGB8888) {
      for (int y = 0; y < h; ++y)
        std::memcpy(base + size_t(y) * size_t(target->pitch), source + size_t(y) * size_t(fw),
                    size_t(w) * 4);
    } else {
      SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, source, fw * 4, target->format->format,
                        target->pixels, target->pitch);
    }
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    // A frame smaller than the window (a resize not yet answered) leaves a light
    // strip rather than stale pixels.
    const Uint32 fill = SDL_MapRGB(target->format, 0xF0, 0xF0, 0xF0);
    if (w < target->w) {
      SDL_Rect r{w, 0, target->w - w, target->h};
      SDL_FillRect(target, &r, fill);
    }
    if (h < target->h) {
      SDL_Rect r{0, h, w, target->h - h};
      SDL_FillRect(target, &r, fill);
    }
    SDL_UpdateWindowSurface(n->window);
    n->presented = true;
  }

  bool PollEvent(NativeEvent* event) override {
    if (pending_.empty()) {
      if (!display_) {
        SDL_PumpEvents();
        TakeArrived();
      } else {
        const int64_t now = NowMs();
        // A program that polls without ever waiting still has its pictures shown.
        if (unflushed_ms_ >= 0 && now - unflushed_ms_ >= kFlushLateMs) XFlushOut();
        // Asked again within the same millisecond: the connection was looked at just
        // now, and a wait looks again before it sleeps.
        if (now != last_look_ms_ || Queued()) {
          last_look_ms_ = now;
          if (Queued() || Readable(0))
            Pump(true);
          else if (PumpDue(now))
            Pump(false);
        }
      }
    }
    if (pending_.empty()) return false;
    *event = pending_.front();
    pending_.pop_front();
    return true;
  }

  void WaitEvent(int64_t deadline_ms) override {
    if (!display_) {
      WaitInSdl(deadline_ms);
      return;
    }
    while (pending_.empty()) {
      if (Queued()) {
        Pump(true);
        continue;
      }
      int64_t now = NowMs();
      if (deadline_ms >= 0 && now >= deadline_ms) {
        if (PumpDue(now)) Pump(false);
        break;
      }
      // Requests still in Xlib's buffer go out before we sleep; the answers they
      // bring may already sit in its queue.
      XFlushOut();
      if (XQueued()) {
        Pump(true);
        continue;
      }
      int64_t timeout = deadline_ms < 0 ? -1 : deadline_ms - now;
      // SDL settles some input a little after it read it (a focus change): wake for
      // the pump that finishes it.
      const int64_t settle = last_input_ms_ + kSettleMs - now;
      if (settle > 0 && (timeout < 0 || settle < timeout)) timeout = settle;
      if (Readable(int(std::min<int64_t>(timeout, 1 << 30)))) {
        Pump(true);
        continue;
      }
      now = NowMs();
      last_look_ms_ = now;
      if (PumpDue(now)) Pump(false);
      if (deadline_ms >= 0 && now >= deadline_ms) break;
    }
    // However the wait ended, what the program presented before it goes to the server.
    if (unflushed_ms_ >= 0) XFlushOut();
  }

  int ScreenWidth() const override { return DisplayMode().w / scale_; }
  int ScreenHeight() const override { return DisplayMode().h / scale_; }

  // Milliseconds since the host began, always rounded down, on the clock the waits sleep
  // by. SDL's tick count rounds up for part of every second, so a wait that slept exactly
  // the time left could read a millisecond short of its deadline and sleep once more.
  int64_t NowMs() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 origin_)
        .count();
  }

 private:
  struct Native {
    SDL_Window* window = nullptr;
    int x = 0, y = 0, width = 0, height = 0;  // the outer box, program pixels
    FrameExtents frame;                       // the manager's frame, program pixels
    int native_w = 0, native_h = 0;           // the native window as last sized, screen pixels
    bool presented = false;
    // Presenting with XPutImage: -1 not yet known, 0 no (SDL's surface), 1 yes.
    int put_image = -1;
    void* gc = nullptr;      // the X graphics context for it
    void* visual = nullptr;  // the window's X visual
    // Shared images taken in turn, so that the server is usually long done with the one
    // whose turn it is: one round trip to make sure settles the two before it as well.
    static constexpr int kSharedImages = 3;
    SharedImage* shared[kSharedImages] = {};
    int shared_turn = 0;
    bool shared_failed = false;  // no shared image could be made: plain XPutImage
  };

  // On X11 a frame at scale 1 goes to the window with XPutImage straight from its
  // pixels, when the window's pixels are laid out as ours: no copy into SDL's window
  // surface, and no round trip to the server per frame (SDL waits for the server after
  // every update of its surface). What the window shows is the same. On a local server
  // with shared memory the changed parts go through a shared image instead: one copy,
  // where a request would take two (into Xlib's buffer, into the socket).
  bool PresentThroughX(Native* n, const Surface& frame, const RECT* changed, int count) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (!display_ || scale_ != 1 || n->put_image == 0) return false;
    const x11::Handle h = x11::Of(n->window);
    if (!h || h.display != display_) return false;
    if (n->put_image < 0) {
      XWindowAttributes a{};
      const uint32_t probe = 1;
      const int host_order = *reinterpret_cast<const uint8_t*>(&probe) ? LSBFirst : MSBFirst;
      n->put_image = XGetWindowAttributes(display_, h.window, &a) && a.depth == 24 && a.visual &&
                     a.visual->red_mask == 0xFF0000 && a.visual->green_mask == 0xFF00 &&
                     a.visual->blue_mask == 0xFF && ImageByteOrder(display_) == host_order &&
                     PixmapBits(24) == 32;
      if (!n->put_image) return false;
      n->visual = a.visual;
      n->gc = XCreateGC(display_, h.window, 0, nullptr);
      if (!n->gc) {
        n->put_image = 0;
        return false;
      }
    }
    XImage image{};
    image.width = frame.width;
    image.height = frame.height;
    image.format = ZPixmap;
    image.data = reinterpret_cast<char*>(const_cast<uint32_t*>(frame.pixels.data()));
    image.byte_order = ImageByteOrder(display_);
    image.bitmap_unit = 32;
    image.bitmap_bit_order = BitmapBitOrder(display_);
    image.bitmap_pad = 32;
    image.depth = 24;
    image.bytes_per_line = frame.width * 4;
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0xFF00;
    image.blue_mask = 0xFF;
    if (!XInitImage(&image)) {
      n->put_image = 0;
      return false;
    }
    GC gc = static_cast<GC>(n->gc);
    // The parts to send, clipped to the frame and the window.
    rects_.clear();
    const bool whole =
        !changed || count <= 0 || n->native_w != frame.width || n->native_h != frame.height;
    const int w = std::min(frame.width, n->native_w), hh = std::min(frame.height, n->native_h);
    if (whole) {
      if (w > 0 && hh > 0) rects_.push_back(SDL_Rect{0, 0, w, hh});
    } else {
      for (int i = 0; i < count; ++i) {
        const int x0 = std::max<int>(changed[i].left, 0);
        const int x1 = std::min<int>(changed[i].right, frame.width);
        const int y0 = std::max<int>(changed[i].top, 0);
        const int y1 = std::min<int>(changed[i].bottom, frame.height);
        if (x0 < x1 && y0 < y1) rects_.push_back(SDL_Rect{x0, y0, x1 - x0, y1 - y0});
      }
    }
    if (SharedImage* s = Shared(*n); s && !rects_.empty()) {
      // The server may still be reading the last frame's parts from the image.
      AwaitShared(*s);
      // Each part goes into the image packed, its rows one after the other from where
      // the part before it ended, and is sent as an image of its own size: a frame's
      // parts then fill a few pages of the segment instead of touching a page or two
      // for every row, and the segment's pages are small ones. Parts that do not
      // overlap fit in a window-sized image; any that would not go as plain requests.
      XImage part = *s->image;
      char* at = s->image->data;
      char* const end = at + size_t(s->image->bytes_per_line) * size_t(s->image->height);
      for (const SDL_Rect& r : rects_) {
        const size_t row = size_t(r.w) * 4;
        if (size_t(end - at) / row < size_t(r.h)) {
          XPutImage(display_, h.window, gc, &image, r.x, r.y, r.x, r.y, unsigned(r.w),
                    unsigned(r.h));
          continue;
        }
        part.width = r.w;
        part.height = r.h;
        part.bytes_per_line = int(row);
        part.data = at;
        for (int y = r.y; y < r.y + r.h; ++y, at += row)
          std::memcpy(at, frame.pixels.data() + size_t(y) * size_t(frame.width) + size_t(r.x), row);
        // No completion events: each would wake the wait once more per frame, which
        // costs more than the round trip AwaitShared makes when nothing came back.
        XShmPutImage(display_, h.window, gc, &part, 0, 0, r.x, r.y, unsigned(r.w), unsigned(r.h),
                     False);
      }
      s->serial = NextRequest(display_) - 1;
      n->shared_turn = (n->shared_turn + 1) % Native::kSharedImages;
    } else {
      for (const SDL_Rect& r : rects_)
        XPutImage(display_, h.window, gc, &image, r.x, r.y, r.x, r.y, unsigned(r.w), unsigned(r.h));
    }
    if (whole) {
      // A frame smaller than the window (a resize not yet answered) leaves a light
      // strip rather than stale pixels.
      XSetForeground(display_, gc, 0xF0F0F0);
      if (w < n->native_w)
        XFillRectangle(display_, h.window, gc, w, 0, unsigned(n->native_w - w),
                       unsigned(n->native_h));
      if (hh < n->native_h)
        XFillRectangle(display_, h.window, gc, 0, hh, unsigned(w), unsigned(n->native_h - hh));
    }
    // Sent when the program next waits (or polls a little later): the parts of all
    // windows presented until then go in one write, and the server, woken by it, does
    // not take the processor from a program still drawing its frame.
    if (unflushed_ms_ < 0) unflushed_ms_ = NowMs();
    return true;
#else
    (void)n, (void)frame, (void)changed, (void)count;
    return false;
#endif
  }

#if defined(SDL_VIDEO_DRIVER_X11)
  // Whether frames may go through shared memory: the server offers it, it runs on this
  // machine (a remote one cannot see our memory), and PLATFORM_X11_SHM=0 does not turn
  // it off (the tests use that to check the plain path).
  bool SharedUsable() {
    if (shm_ < 0) {
      shm_ = 0;
      const char* off = std::getenv("PLATFORM_X11_SHM");
      const char* name = DisplayString(display_);
      const bool local = name && (name[0] == ':' || std::strncmp(name, "unix:", 5) == 0);
      if (!(off && std::strcmp(off, "0") == 0) && local && XShmQueryExtension(display_)) shm_ = 1;
    }
    return shm_ == 1;
  }

  // The window's shared image at the window's size, made (again) when needed; null
  // when frames go by plain requests.
  SharedImage* Shared(Native& n) {
    if (SharedImage* slot = n.shared[n.shared_turn]) {
      if (slot->image->width == n.native_w && slot->image->height == n.native_h) return slot;
      // A new size: all of them go, made again as their turns come.
      ForgetShared(n);
    }
    if (n.shared_failed || !SharedUsable() || n.native_w <= 0 || n.native_h <= 0) return nullptr;
    auto* s = new SharedImage;
    s->image = XShmCreateImage(display_, static_cast<Visual*>(n.visual), 24, ZPixmap, nullptr,
                               &s->segment, unsigned(n.native_w), unsigned(n.native_h));
    bool attached = false;
    if (s->image && s->image->bits_per_pixel == 32) {
      const size_t bytes = size_t(s->image->bytes_per_line) * size_t(s->image->height);
      s->segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
      if (s->segment.shmid >= 0) {
        void* at = shmat(s->segment.shmid, nullptr, 0);
        if (at != reinterpret_cast<void*>(-1)) {
          s->segment.shmaddr = s->image->data = static_cast<char*>(at);
          s->segment.readOnly = True;
          // Errors of earlier requests go to the usual handler; a refusal of this
          // one comes back before the second sync.
          XSync(display_, False);
          shm_refused = false;
          XErrorHandler previous = XSetErrorHandler(&OnShmError);
          attached = XShmAttach(display_, &s->segment);
          XSync(display_, False);
          XSetErrorHandler(previous);
          attached = attached && !shm_refused;
          // A server that refuses once refuses every window.
          if (shm_refused) shm_ = 0;
          if (!attached) shmdt(at);
        }
        // Marked for removal at once: it goes when the server and we have detached,
        // even if this process dies first.
        shmctl(s->segment.shmid, IPC_RMID, nullptr);
      }
    }
    if (!attached) {
      DestroyImage(s);
      n.shared_failed = true;
      return nullptr;
    }
    n.shared[n.shared_turn] = s;
    return s;
  }

  static void DestroyImage(SharedImage* s) {
    if (s->image) {
      // The pixels are the segment and the extra data our own member: neither is
      // Xlib's to free.
      s->image->data = nullptr;
      s->image->obdata = nullptr;
      XDestroyImage(s->image);
    }
    delete s;
  }

  void ForgetShared(Native& n) {
    n.shared_turn = 0;
    bool detached = false;
    for (SharedImage*& slot : n.shared) {
      SharedImage* s = slot;
      if (!s) continue;
      slot = nullptr;
      // Requests are handled in order: a put still queued reads the image before the
      // server detaches, and our own mapping is not the server's.
      if (display_) {
        XShmDetach(display_, &s->segment);
        detached = true;
      }
      shmdt(s->segment.shmaddr);
      DestroyImage(s);
    }
    if (detached) XFlush(display_);
  }

  // Returns once the server is done with the image's last put. The server reads the
  // image while it handles the put, and handles requests in order: anything it sent
  // for a later request says so. At 10 frames a second nothing usually has, and one
  // round trip settles it, for the images whose turns come next as well.
  void AwaitShared(SharedImage& s) {
    if (s.serial && LastKnownRequestProcessed(display_) < s.serial) XSync(display_, False);
    s.serial = 0;
  }
#else
  void ForgetShared(Native&) {}
#endif

#if defined(SDL_VIDEO_DRIVER_X11)
  // Bits a pixel of the given depth takes in the server's images.
  int PixmapBits(int depth) {
    int n = 0, bits = 0;
    if (XPixmapFormatValues* f = XListPixmapFormats(display_, &n)) {
      for (int i = 0; i < n; ++i)
        if (f[i].depth == depth) bits = f[i].bits_per_pixel;
      XFree(f);
    }
    return bits;
  }
#endif

  void ForgetGc(Native& n) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (n.gc && display_) XFreeGC(display_, static_cast<GC>(n.gc));
#endif
    n.gc = nullptr;
  }

  // ---- Pumping and waiting on X11 ----
  // SDL's pump reads the connection several times over, each read a system call, and
  // its wait pumps twice more around the sleep: a wake-up that finds nothing cost
  // dozens of calls. On X11 the host looks at the connection itself: SDL pumps when
  // something is there, and waiting is one poll() until the deadline.
  static constexpr int64_t kSettleMs = 500;      // pumps keep coming this long after input
  static constexpr int64_t kQuietPumpMs = 1000;  // and at least this often (SDL's timekeeping)
  static constexpr int64_t kFlushLateMs = 5;     // presents wait this long at most unsent

  // Something SDL has not turned into events yet: pushed by SDL itself, or already
  // read from the connection into Xlib's queue.
  bool Queued() {
    {
      std::lock_guard<std::mutex> hold(arrived_lock_);
      if (!arrived_.empty() || !frames_changed_.empty()) return true;
    }
    return XQueued();
  }

  // Waits up to timeout_ms (< 0: without limit) for the connection to have something
  // to read; a lost connection counts, so that the pump finds out.
  bool Readable(int timeout_ms) {
    pollfd p{XFd(), POLLIN, 0};
    const int r = poll(&p, 1, timeout_ms);
    return r > 0 || (r < 0 && errno != EINTR);
  }

  bool PumpDue(int64_t now) const {
    return now - last_pump_ms_ >= kQuietPumpMs || now - last_input_ms_ < kSettleMs;
  }

  void Pump(bool input) {
    SDL_PumpEvents();
    TakeArrived();
    last_pump_ms_ = NowMs();
    if (input) last_input_ms_ = last_pump_ms_;
  }

#if defined(SDL_VIDEO_DRIVER_X11)
  bool XQueued() { return XEventsQueued(display_, QueuedAlready) > 0; }
  int XFd() { return ConnectionNumber(display_); }
  void XFlushOut() {
    XFlush(display_);
    unflushed_ms_ = -1;
  }
#else
  bool XQueued() { return false; }
  int XFd() { return -1; }
  void XFlushOut() {}
#endif

  // Without an X connection of our own (Wayland, or no window yet): SDL's wait.
  void WaitInSdl(int64_t deadline_ms) {
    while (pending_.empty()) {
      int timeout = -1;
      if (deadline_ms >= 0) {
        const int64_t left = deadline_ms - NowMs();
        if (left <= 0) {
          // Still collect whatever arrived, without waiting.
          SDL_PumpEvents();
          TakeArrived();
          return;
        }
        timeout = int(std::min<int64_t>(left, 1 << 30));
      }
      // Only wakes us: what arrived is already in arrived_.
      if (timeout < 0)
        SDL_WaitEvent(nullptr);
      else
        SDL_WaitEventTimeout(nullptr, timeout);
      TakeArrived();
    }
  }

  // Copies and shows only the changed parts when the window already shows the frame
  // before them at its size; false when the whole frame must go.
  bool PresentParts(Native* n, SDL_Surface* target, const Surface& frame, const RECT* changed,
                    int count) {
    if (!changed || count <= 0 || !n->presented || target->w != frame.width ||
        target->h != frame.height ||
        (target->format->format != SDL_PIXELFORMAT_RGB888 &&
         target->format->format != SDL_PIXELFORMAT_ARGB8888))
      return false;
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    std::vector<SDL_Rect> rects;
    for (int i = 0; i < count; ++i) {
      int x0 = std::max<int>(changed[i].left, 0), x1 = std::min<int>(changed[i].right, frame.width);
      int y0 = std::max<int>(changed[i].top, 0),
          y1 = std::min<int>(changed[i].bottom, frame.height);
      if (x0 >= x1 || y0 >= y1) continue;
      for (int y = y0; y < y1; ++y)
        std::memcpy(static_cast<uint8_t*>(target->pixels) + size_t(y) * size_t(target->pitch) +
                        size_t(x0) * 4,
                    frame.pixels.data() + size_t(y) * size_t(frame.width) + size_t(x0),
                    size_t(x1 - x0) * 4);
      rects.push_back(SDL_Rect{x0, y0, x1 - x0, y1 - y0});
    }
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    if (!rects.empty()) SDL_UpdateWindowSurfaceRects(n->window, rects.data(), int(rects.size()));
    return true;
  }

  Native* Find(NativeId id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
  }

  // The manager's frame in the program's pixels, rounded up so that the outer box
  // never comes out smaller than asked.
  FrameExtents ToProgram(const int e[4]) const {
    auto up = [this](int v) { return (v + scale_ - 1) / scale_; };
    return {up(e[0]), up(e[2]), up(e[1]), up(e[3])};
  }

  // Sizes the native window to what the outer box leaves inside the frame, and
  // places the box.
  void Fit(Native& n) {
    const int cw = std::max(n.width - n.frame.left - n.frame.right, 1) * scale_;
    const int ch = std::max(n.height - n.frame.top - n.frame.bottom, 1) * scale_;
    if (cw != n.native_w || ch != n.native_h) {
      n.native_w = cw;
      n.native_h = ch;
      SDL_SetWindowSize(n.window, cw, ch);
    }
    Place(n);
  }

  void Place(Native& n) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (auto h = x11::Of(n.window)) {
      x11::MoveOuter(h, n.x * scale_, n.y * scale_);
      return;
    }
#endif
    SDL_SetWindowPosition(n.window, (n.x + n.frame.left) * scale_, (n.y + n.frame.top) * scale_);
  }

  void ScaleUp(const Surface& frame) {
    const int s = scale_;
    const size_t out_w = size_t(frame.width) * size_t(s);
    scaled_.resize(out_w * size_t(frame.height) * size_t(s));
    for (int y = 0; y < frame.height; ++y) {
      const uint32_t* in = frame.pixels.data() + size_t(y) * size_t(frame.width);
      uint32_t* out = scaled_.data() + size_t(y) * size_t(s) * out_w;
      for (int x = 0; x < frame.width; ++x)
        for (int k = 0; k < s; ++k) out[size_t(x) * size_t(s) + size_t(k)] = in[x];
      for (int k = 1; k < s; ++k) std::memcpy(out + size_t(k) * out_w, out, out_w * 4);
    }
  }

  static SDL_DisplayMode DisplayMode() {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0) {
      mode.w = 1024;
      mode.h = 768;
    }
    return mode;
  }

  void Push(NativeEvent ev) { pending_.push_back(ev); }

  // SDL's own queue holds 65535 events and drops what comes after: a burst of input
  // read in one pump (a busy moment, a flood of synthetic clicks) would lose its end,
  // key releases included. So every event is copied out as SDL takes it in, into a
  // queue without a limit, and SDL's queue serves only to wake the wait.
  static int SDLCALL Arrived(void* self, SDL_Event* e) {
    switch (e->type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP:
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
      case SDL_MOUSEMOTION:
      case SDL_WINDOWEVENT: {
        auto* host = static_cast<SdlHost*>(self);
        // SDL may push from other threads; these kinds come from the pump, but be safe.
        std::lock_guard<std::mutex> hold(host->arrived_lock_);
        host->arrived_.push_back(*e);
        break;
      }
      case SDL_SYSWMEVENT: {
        // The message lives only as long as this call: keep the window it names.
#if defined(SDL_VIDEO_DRIVER_X11)
        ::Window xw = 0;
        if (x11::IsExtentsChange(e->syswm.msg, &xw)) {
          auto* host = static_cast<SdlHost*>(self);
          std::lock_guard<std::mutex> hold(host->arrived_lock_);
          host->frames_changed_.push_back(xw);
        }
#endif
        break;
      }
      default:
        break;
    }
    return 0;
  }

  // Translates what arrived since the last call, in order, and empties SDL's queue of
  // the copies it kept.
  void TakeArrived() {
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    std::deque<SDL_Event> taken;
    std::vector<unsigned long> frames;
    {
      std::lock_guard<std::mutex> hold(arrived_lock_);
      taken.swap(arrived_);
      frames.swap(frames_changed_);
    }
    for (unsigned long xw : frames) FrameMayHaveChanged(xw);
    for (const SDL_Event& e : taken) Translate(e);
  }

  // The manager changed a window's frame after it was created: the native window
  // is fitted again and the platform hears of it.
  void FrameMayHaveChanged(unsigned long xw) {
#if defined(SDL_VIDEO_DRIVER_X11)
    for (auto& [id, n] : windows_) {
      auto h = x11::Of(n.window);
      if (!h || h.window != xw) continue;
      int e[4];
      if (!x11::ReadExtents(h, e)) return;
      const FrameExtents now = ToProgram(e);
      if (now == n.frame) return;
      n.frame = now;
      Fit(n);
      NativeEvent ev;
      ev.kind = NativeEvent::FrameChanged;
      ev.window = id;
      Push(ev);
      return;
    }
#else
    (void)xw;
#endif
  }

  // Turns one SDL event into at most one native event; the rest are dropped.
  // SDL_QUIT is one of those: only a window's close box ends anything.
  void Translate(const SDL_Event& e) {
    NativeEvent ev;
    switch (e.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        if (!Find(e.key.windowID)) return;
        ev.vk = VirtualKeyOf(e.key.keysym);
        if (ev.vk == 0) {
          // A key for a character the US layout lacks (é on a French keyboard):
          // its code point goes up with the key-down.
          const SDL_Keycode k = e.key.keysym.sym;
          if (e.type != SDL_KEYDOWN || k < 0x20 || (k & SDLK_SCANCODE_MASK) || k == 0x7F) return;
          ev.ch = int(k);
        }
        ev.kind = e.type == SDL_KEYDOWN ? NativeEvent::KeyDown : NativeEvent::KeyUp;
        ev.window = e.key.windowID;
        ev.repeat = e.key.repeat != 0;
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        if (!Find(e.button.windowID)) return;
        ev.kind = e.type == SDL_MOUSEBUTTONDOWN ? NativeEvent::MouseDown : NativeEvent::MouseUp;
        ev.window = e.button.windowID;
        switch (e.button.button) {
          case SDL_BUTTON_LEFT:
            ev.button = 1;
            break;
          case SDL_BUTTON_RIGHT:
            ev.button = 2;
            break;
          case SDL_BUTTON_MIDDLE:
            ev.button = 3;
            break;
          default:
            return;
        }
        ev.x = FloorDiv(e.button.x);
        ev.y = FloorDiv(e.button.y);
        break;
      }
      case SDL_MOUSEMOTION: {
        if (!Find(e.motion.windowID)) return;
        ev.kind = NativeEvent::MouseMove;
        ev.window = e.motion.windowID;
        ev.x = FloorDiv(e.motion.x);
        ev.y = FloorDiv(e.motion.y);
        break;
      }
      case SDL_WINDOWEVENT: {
        Native* n = Find(e.window.windowID);
        if (!n) return;
        ev.window = e.window.windowID;
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            ev.kind = NativeEvent::Close;
            break;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            // Our own sizing already knows its size; report only the user's.
            if (e.window.data1 == n->native_w && e.window.data2 == n->native_h) return;
            n->native_w = e.window.data1;
            n->native_h = e.window.data2;
            n->width = e.window.data1 / scale_ + n->frame.left + n->frame.right;
            n->height = e.window.data2 / scale_ + n->frame.top + n->frame.bottom;
            ev.kind = NativeEvent::Resized;
            ev.width = n->width;
            ev.height = n->height;
            break;
          case SDL_WINDOWEVENT_EXPOSED:
            // The window surface still holds the last frame: show it again at once.
            if (n->presented) SDL_UpdateWindowSurface(n->window);
            ev.kind = NativeEvent::Exposed;
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            ev.kind = NativeEvent::FocusLost;
            break;
          default:
            return;
        }
        break;
      }
      default:
        return;
    }
    Push(ev);
  }

  // Screen pixels to the program's, rounding toward minus infinity.
  int FloorDiv(int v) const { return v >= 0 ? v / scale_ : -((-v + scale_ - 1) / scale_); }

  const int scale_;
  FrameExtents last_fixed_, last_sizable_;
  std::map<NativeId, Native> windows_;
  std::deque<NativeEvent> pending_;
  std::mutex arrived_lock_;
  std::deque<SDL_Event> arrived_;
  // X windows whose frame extents changed, noted as they arrived.
  std::vector<unsigned long> frames_changed_;
  std::vector<uint32_t> scaled_;
  // The X connection SDL's windows use, once the first window is made; null elsewhere.
  XConnection* display_ = nullptr;
  std::vector<SDL_Rect> rects_;  // the parts being presented
  int shm_ = -1;                 // presenting through shared memory: -1 not yet known, 0 no, 1 yes
  const std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
  int64_t last_pump_ms_ = 0, last_input_ms_ = 0, last_look_ms_ = -1;
  int64_t unflushed_ms_ = -1;  // when the first present not yet sent was made; -1: none
};

}  // namespace

std::unique_ptr<Host> MakeSdlHost() {
  // Ctrl+C in a terminal must still end the program: SDL would turn it into an
  // SDL_QUIT, which we do not act on.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Only the desktops the environment names are tried (X11 first, as SDL
  // would), so that a missing one fails quietly; SDL_VIDEODRIVER still decides
  // when set.
  if (const char* chosen = std::getenv("SDL_VIDEODRIVER"); !chosen || !*chosen) {
    std::string drivers;
    if (const char* x = std::getenv("DISPLAY"); x && *x) drivers = "x11";
    if (const char* w = std::getenv("WAYLAND_DISPLAY"); w && *w) {
      if (wayland::SdlStartsWithoutSeat() || wayland::OffersSeat(w))
        drivers += drivers.empty() ? "wayland" : ",wayland";
      else
        std::fprintf(stderr,
                     "%s: the Wayland compositor \"%s\" offers no seat (no pointer or keyboard)\n",
                     program_invocation_short_name, w);
    }
    if (drivers.empty()) return nullptr;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  // The dummy and offscreen drivers show nothing to anyone: that is the
  // headless host's job.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0 ||
      SDL_GetNumVideoDisplays() < 1) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  if (std::strcmp(driver, "x11") == 0) GuardX11Connection();
  // On X11 the driver's own framebuffer (shared memory), not a GPU texture. The
  // Wayland driver has no framebuffer of its own: with "0" it gives no surface
  // at all, so there SDL keeps its default (a texture of its renderer).
  if (std::strcmp(driver, "x11") == 0) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // The manager's frame extents arrive as X property changes.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  // Characters come from our own translation of key events.
  SDL_StopTextInput();
  return std::make_unique<SdlHost>(ChooseScale());
}

}  // namespace platform
