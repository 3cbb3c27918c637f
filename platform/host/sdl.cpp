// The desktop host: each native window is an SDL2 window whose software surface
// receives the composed frame. No GPU is needed; under Xvfb software is all there is.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include "host/host.h"
#include "host/x11_guard.h"

namespace platform {
namespace {

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

class SdlHost final : public Host {
 public:
  SdlHost() { SDL_AddEventWatch(&SdlHost::Arrived, this); }
  ~SdlHost() override {
    SDL_DelEventWatch(&SdlHost::Arrived, this);
    for (auto& [id, win] : windows_) SDL_DestroyWindow(win.window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  const char* Name() const override { return "sdl"; }

  NativeId CreateNative(const char* title, int x, int y, int width, int height,
                        bool resizable) override {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (resizable) flags |= SDL_WINDOW_RESIZABLE;
    SDL_Window* window =
        SDL_CreateWindow(title ? title : "", x, y, std::max(width, 1), std::max(height, 1), flags);
    if (!window) return 0;
    const NativeId id = SDL_GetWindowID(window);
    windows_[id] = Native{window, std::max(width, 1), std::max(height, 1), false};
    return id;
  }

  void ShowNative(NativeId id, bool visible) override {
    Native* n = Find(id);
    if (!n) return;
    if (visible) {
      SDL_ShowWindow(n->window);
      SDL_RaiseWindow(n->window);
    } else {
      SDL_HideWindow(n->window);
    }
  }

  void MoveNative(NativeId id, int x, int y, int width, int height) override {
    Native* n = Find(id);
    if (!n) return;
    SDL_SetWindowPosition(n->window, x, y);
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width != n->width || height != n->height) {
      n->width = width;
      n->height = height;
      SDL_SetWindowSize(n->window, width, height);
    }
  }

  void DestroyNative(NativeId id) override {
    auto it = windows_.find(id);
    if (it == windows_.end()) return;
    SDL_DestroyWindow(it->second.window);
    windows_.erase(it);
    // Events already taken for a window that is gone mean nothing any more.
    std::erase_if(pending_, [id](const NativeEvent& e) { return e.window == id; });
  }

  void Present(NativeId id, const Surface& frame, const RECT* changed, int count) override {
    Native* n = Find(id);
    if (!n || frame.width <= 0 || frame.height <= 0) return;
    SDL_Surface* target = SDL_GetWindowSurface(n->window);
    if (!target) return;
    if (PresentParts(n, target, frame, changed, count)) return;
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    const int w = std::min(frame.width, target->w);
    const int h = std::min(frame.height, target->h);
    auto* base = static_cast<uint8_t*>(target->pixels);
    if (target->format->format == SDL_PIXELFORMAT_RGB888 ||
        target->format->format == SDL_PIXELFORMAT_ARGB8888) {
      for (int y = 0; y < h; ++y)
        std::memcpy(base + size_t(y) * size_t(target->pitch),
                    frame.pixels.data() + size_t(y) * size_t(frame.width), size_t(w) * 4);
    } else {
      SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, frame.pixels.data(), frame.width * 4,
                        target->format->format, target->pixels, target->pitch);
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
      SDL_PumpEvents();
      TakeArrived();
    }
    if (pending_.empty()) return false;
    *event = pending_.front();
    pending_.pop_front();
    return true;
  }

  void WaitEvent(int64_t deadline_ms) override {
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

  int ScreenWidth() const override { return DisplayMode().w; }
  int ScreenHeight() const override { return DisplayMode().h; }

  int64_t NowMs() override { return int64_t(SDL_GetTicks64()); }

 private:
  struct Native {
    SDL_Window* window = nullptr;
    int width = 0, height = 0;  // the size we last set or reported
    bool presented = false;
  };

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
    {
      std::lock_guard<std::mutex> hold(arrived_lock_);
      taken.swap(arrived_);
    }
    for (const SDL_Event& e : taken) Translate(e);
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
        ev.x = e.button.x;
        ev.y = e.button.y;
        break;
      }
      case SDL_MOUSEMOTION: {
        if (!Find(e.motion.windowID)) return;
        ev.kind = NativeEvent::MouseMove;
        ev.window = e.motion.windowID;
        ev.x = e.motion.x;
        ev.y = e.motion.y;
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
            // Our own MoveNative already knows its size; report only the user's.
            if (e.window.data1 == n->width && e.window.data2 == n->height) return;
            n->width = e.window.data1;
            n->height = e.window.data2;
            ev.kind = NativeEvent::Resized;
            ev.width = e.window.data1;
            ev.height = e.window.data2;
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

  std::map<NativeId, Native> windows_;
  std::deque<NativeEvent> pending_;
  std::mutex arrived_lock_;
  std::deque<SDL_Event> arrived_;
};

}  // namespace

std::unique_ptr<Host> MakeSdlHost() {
  // Ctrl+C in a terminal must still end the program: SDL would turn it into an
  // SDL_QUIT, which we do not act on.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The driver's own framebuffer (shared memory on X11), not a GPU texture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
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
  // Characters come from our own translation of key events.
  SDL_StopTextInput();
  return std::make_unique<SdlHost>();
}

}  // namespace platform
