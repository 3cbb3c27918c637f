// The window system's process-wide state, shared by the files of user/ that
// implement classes and windows, the queue, painting, menus and input.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "user.h"

namespace platform::user {

// Handle ranges: each kind has its own tag so a handle of the wrong kind is
// refused, and values are never reused so a destroyed handle stays invalid.
constexpr uintptr_t kWindowTag = 0x00010000;
constexpr uintptr_t kMenuTag = 0x00080000;
constexpr uintptr_t kMenuEnd = 0x00100000;
constexpr uintptr_t kHandleStep = 2;

// The next handle of a kind whose values run from first to end: the counter wraps
// within the range rather than running into the next kind's, and skips values still
// in use. 0 when every value is taken.
template <class Live>
uintptr_t TakeHandle(uintptr_t& next, uintptr_t first, uintptr_t end, const Live& live) {
  for (uintptr_t tries = (end - first) / kHandleStep; tries > 0; --tries) {
    uintptr_t candidate = next >= first && next < end ? next : first;
    next = candidate + kHandleStep < end ? candidate + kHandleStep : first;
    if (live.find(candidate) == live.end()) return candidate;
  }
  return 0;
}

struct State {
  std::unordered_map<std::string, std::unique_ptr<WindowClass>> classes;  // by lower-case name
  std::map<uintptr_t, std::unique_ptr<Window>> windows;                   // creation order
  uintptr_t next_window = kWindowTag + 0x20;
  std::map<uintptr_t, std::unique_ptr<Menu>> menus;
  uintptr_t next_menu = kMenuTag + 0x20;
  uint64_t menu_generation = 1;

  std::deque<MSG> posted;  // PostMessageA, TranslateMessage
  std::deque<MSG> input;   // keys and clicks from the host
  bool quit_pending = false;
  int quit_code = 0;

  std::vector<Timer> thread_timers;  // SetTimer with no window
  UINT_PTR next_thread_timer = 0x7FFE;

  HWND focus = nullptr;
  BYTE keys[256] = {};  // bit 7 down, bit 0 toggled, as GetKeyState reports
};

State& S();

// Current time on the host's clock.
int64_t Now();
uint32_t MessageTime();
// A message stamped with the current message time.
MSG MakeMessage(HWND h, UINT message, WPARAM wp, LPARAM lp);

// Messages sent straight to the procedure.
LRESULT Send(Window& w, UINT msg, WPARAM wp, LPARAM lp);

// Adds r (client coordinates, clipped to the client area) to the update region.
void Invalidate(Window& w, const RECT* r, bool erase);
void ValidateAll(Window& w);

// Earliest due time of any timer on the host clock, or -1 when there is none.
int64_t NextTimerDue();
// Presents every visible window whose picture changed since the host last showed it.
void PresentChanged();
// Takes every pending native event and turns it into messages.
void PumpHost();

// Key state as messages are retrieved from the input queue.
void NoteKeyMessage(const MSG& m);

// Moves and sizes a window (MoveWindow, and the host when the user resizes).
void MoveWindowTo(Window& w, int x, int y, int width, int height, bool repaint, bool move_native);
// Recomputes the client area after SetMenu gave or took the window's menu bar.
void MenuBarChanged(Window& w);
// Frees windows destroyed since the last call, unless a window procedure is running.
void FreeDestroyedWindows();

// Called by DestroyWindow to forget a window in the queue, focus and menus.
void ForgetWindowMessages(HWND hwnd);

}  // namespace platform::user
