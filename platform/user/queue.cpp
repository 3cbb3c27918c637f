// The message queue: posted messages, quit, input, paint and timers in Windows'
// order; waiting; timers; and presenting changed windows through the host.
#include <algorithm>
#include <cstring>

#include "../host/host.h"
#include "user_state.h"

namespace platform::user {

namespace {

constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorInvalidHandle = 6;
constexpr UINT kTimerMinimum = 10;
constexpr UINT kTimerMaximum = 0x7FFFFFFF;

bool InRange(UINT message, UINT lo, UINT hi) {
  if (lo == 0 && hi == 0) return true;
  return message >= lo && message <= hi;
}

bool Matches(const MSG& m, HWND filter, UINT lo, UINT hi) {
  if (filter == reinterpret_cast<HWND>(intptr_t(-1))) {
    if (m.hwnd) return false;
  } else if (filter && m.hwnd != filter) {
    return false;
  }
  return InRange(m.message, lo, hi);
}

// The expired timer due first, for windows that pass the filter.
struct DueTimer {
  Timer* timer = nullptr;
  HWND hwnd = nullptr;
};

DueTimer FirstDue(HWND filter, int64_t now) {
  auto& s = S();
  DueTimer best;
  auto consider = [&](Timer& t, HWND h) {
    if (t.due_ms > now) return;
    if (!best.timer || t.due_ms < best.timer->due_ms) best = {&t, h};
  };
  bool thread_only = filter == reinterpret_cast<HWND>(intptr_t(-1));
  if (!thread_only) {
    for (auto& [id, w] : s.windows) {
      if (filter && w->handle != filter) continue;
      for (Timer& t : w->timers) consider(t, w->handle);
    }
  }
  if (!filter || thread_only)
    for (Timer& t : s.thread_timers) consider(t, nullptr);
  return best;
}

// Earliest due time of any timer, or -1 when there is none.
int64_t NextDue() {
  auto& s = S();
  int64_t next = -1;
  auto consider = [&](const Timer& t) {
    if (next < 0 || t.due_ms < next) next = t.due_ms;
  };
  for (auto& [id, w] : s.windows)
    for (const Timer& t : w->timers) consider(t);
  for (const Timer& t : s.thread_timers) consider(t);
  return next;
}

Window* FirstToPaint(HWND filter) {
  for (auto& [id, w] : S().windows) {
    if (filter && w->handle != filter) continue;
    if (w->visible && w->has_update && !w->destroying) return w.get();
  }
  return nullptr;
}

// Whether the queue holds something of the kinds in mask (QS_ flags).
bool ReadyFor(DWORD mask) {
  auto& s = S();
  if ((mask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) && (!s.posted.empty() || s.quit_pending))
    return true;
  for (const MSG& m : s.input) {
    const bool key = m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST;
    const bool move = m.message == WM_MOUSEMOVE;
    if ((key && (mask & QS_KEY)) || (move && (mask & QS_MOUSEMOVE)) ||
        (!key && !move && (mask & QS_MOUSEBUTTON)))
      return true;
  }
  if ((mask & QS_PAINT) && FirstToPaint(nullptr)) return true;
  if (mask & QS_TIMER) {
    int64_t next = NextDue();
    if (next >= 0 && next <= Now()) return true;
  }
  return false;
}

bool AnythingReady() {
  auto& s = S();
  if (!s.posted.empty() || s.quit_pending || !s.input.empty()) return true;
  if (FirstToPaint(nullptr)) return true;
  int64_t next = NextDue();
  return next >= 0 && next <= Now();
}

bool Peek(MSG* out, HWND filter, UINT lo, UINT hi, UINT remove) {
  auto& s = S();
  bool take = (remove & PM_REMOVE) != 0;
  for (auto it = s.posted.begin(); it != s.posted.end(); ++it) {
    if (!Matches(*it, filter, lo, hi)) continue;
    *out = *it;
    if (take) s.posted.erase(it);
    return true;
  }
  if (s.quit_pending) {
    // WM_QUIT comes whatever the filter, once nothing is posted.
    *out = MakeMessage(nullptr, WM_QUIT, WPARAM(s.quit_code), 0);
    if (take) s.quit_pending = false;
    return true;
  }
  for (auto it = s.input.begin(); it != s.input.end(); ++it) {
    if (!Matches(*it, filter, lo, hi)) continue;
    *out = *it;
    if (take) {
      s.input.erase(it);
      NoteKeyMessage(*out);
    }
    return true;
  }
  if (InRange(WM_PAINT, lo, hi) && filter != reinterpret_cast<HWND>(intptr_t(-1))) {
    // Stays until the window is validated, whatever PM_REMOVE says.
    if (Window* w = FirstToPaint(filter)) {
      *out = MakeMessage(w->handle, WM_PAINT, 0, 0);
      return true;
    }
  }
  if (InRange(WM_TIMER, lo, hi)) {
    int64_t now = Now();
    DueTimer due = FirstDue(filter, now);
    if (due.timer) {
      *out =
          MakeMessage(due.hwnd, WM_TIMER, due.timer->id, reinterpret_cast<LPARAM>(due.timer->proc));
      // Periods missed meanwhile are merged into this one message; the next one
      // keeps the timer's rhythm rather than drifting by the time it waited.
      if (take) {
        Timer& t = *due.timer;
        int64_t periods = (now - t.due_ms) / int64_t(t.elapse_ms) + 1;
        t.due_ms += periods * int64_t(t.elapse_ms);
      }
      return true;
    }
  }
  return false;
}

// A band takes in a row as long as this many pixels or fewer come with it that changed in
// neither.
constexpr int64_t kBandWaste = 1024;

// Composes the window's frame and lists what changed in it since the last compose:
// `changed` holds bands of rows, each with the columns that changed in it, or is
// cleared and `whole` set when the frame is new, resized or must be shown again. Client
// rows are compared with what the frame holds, so only rows that really differ are
// copied and shown.
void Compose(Window& w, int menu_h, bool menu_changed, std::vector<RECT>* changed, bool* whole) {
  int fw = w.client_width;
  int fh = menu_h + w.client_height;
  changed->clear();
  *whole = w.present_forced;
  if (!w.frame) {
    w.frame = std::make_shared<Surface>(0, 0);
    *whole = true;
  }
  Surface& f = *w.frame;
  if (f.width != fw || f.height != fh) *whole = true;
  f.Resize(fw, fh);
  size_t row = size_t(fw) * sizeof(uint32_t);
  // Adds columns [x0, x1) of row y, joining a band that ends on the row above unless the
  // band would then take in many pixels that changed in neither (the host copies and
  // sends each band whole).
  auto mark = [&](int y, int x0, int x1) {
    if (!changed->empty()) {
      RECT& last = changed->back();
      const LONG l = std::min<LONG>(last.left, x0), r = std::max<LONG>(last.right, x1);
      const int64_t waste = int64_t(r - l - (last.right - last.left)) * (last.bottom - last.top) +
                            (r - l - (x1 - x0));
      // With enough bands, the rest joins the last one.
      if ((last.bottom == y && waste <= kBandWaste) || changed->size() >= 32) {
        last.left = l;
        last.right = r;
        last.bottom = y + 1;
        return;
      }
    }
    changed->push_back(RECT{x0, y, x1, y + 1});
  };
  if ((menu_changed || *whole) && menu_h > 0 && w.menu_bar && w.menu_bar->width == fw &&
      w.menu_bar->height == menu_h) {
    std::memcpy(f.pixels.data(), w.menu_bar->pixels.data(), row * size_t(menu_h));
    for (int y = 0; y < menu_h; ++y) mark(y, 0, fw);
  }
  Surface& c = *w.surface;
  if (c.width == fw && c.height == w.client_height && fw > 0) {
    // Only the rows its writers said they changed since the last compose, when they all
    // said so.
    int top = 0, bottom = c.height;
    bool noted = false;
    if (!*whole && !w.framed_overlay && c.rows_version == c.version &&
        c.rows_from <= w.presented_client_version && w.presented_client_version != ~uint64_t(0)) {
      top = std::max(c.rows_top, 0);
      bottom = std::min(c.rows_bottom, c.height);
      noted = true;
    }
    // The columns too, when the writers told them: those are copied without comparing.
    const bool spans = noted && c.cols_known && c.cols.size() == size_t(c.height) * 2;
    if (spans) {
      for (int y = top; y < bottom; ++y) {
        const int x0 = std::max(c.cols[2 * size_t(y)], 0);
        const int x1 = std::min(c.cols[2 * size_t(y) + 1], fw);
        if (x0 >= x1) continue;
        std::memcpy(f.pixels.data() + size_t(menu_h + y) * size_t(fw) + size_t(x0),
                    c.pixels.data() + size_t(y) * size_t(fw) + size_t(x0),
                    size_t(x1 - x0) * sizeof(uint32_t));
        mark(menu_h + y, x0, x1);
      }
      top = bottom;
    }
    c.rows_from = c.rows_version = c.version;
    c.rows_top = c.rows_bottom = 0;
    c.cols.clear();
    c.cols_known = true;
    for (int y = top; y < bottom; ++y) {
      const uint32_t* from = c.pixels.data() + size_t(y) * size_t(fw);
      uint32_t* to = f.pixels.data() + size_t(menu_h + y) * size_t(fw);
      size_t x0, x1;
      if (!DifferingColumns(from, to, size_t(fw), &x0, &x1)) continue;
      std::memcpy(to + x0, from + x0, (x1 - x0) * sizeof(uint32_t));
      mark(menu_h + y, int(x0), int(x1));
    }
  }
  if (w.overlay) {
    const Surface& o = *w.overlay;
    int x0 = std::max(0, w.overlay_x), x1 = std::min(fw, w.overlay_x + o.width);
    int y0 = std::max(0, w.overlay_y), y1 = std::min(fh, w.overlay_y + o.height);
    for (int y = y0; y < y1 && x0 < x1; ++y)
      std::memcpy(&f.pixels[size_t(y) * size_t(fw) + size_t(x0)],
                  &o.pixels[size_t(y - w.overlay_y) * size_t(o.width) + size_t(x0 - w.overlay_x)],
                  size_t(x1 - x0) * sizeof(uint32_t));
    // Drawn over the client rows again on every compose: shown again with them.
    if (x0 < x1 && y0 < y1) *whole = true;
  }
  w.framed_overlay = w.overlay != nullptr;
  if (*whole) changed->clear();
  ++f.version;
}

}  // namespace

MSG MakeMessage(HWND h, UINT message, WPARAM wp, LPARAM lp) {
  MSG m = {};
  m.hwnd = h;
  m.message = message;
  m.wParam = wp;
  m.lParam = lp;
  m.time = MessageTime();
  return m;
}

int64_t Now() { return CurrentHost().NowMs(); }
uint32_t MessageTime() { return uint32_t(Now()); }

void PresentChanged() {
  auto& s = S();
  uint64_t generation = MenuGeneration();
  for (auto& [id, wp] : s.windows) {
    Window& w = *wp;
    if (!w.visible || !w.native || w.destroying) continue;
    int menu_h = MenuBarHeight(w);
    bool menu_changed =
        menu_h > 0 && (generation != w.presented_menu_generation || w.present_forced);
    bool overlay_changed = w.overlay && w.overlay->version != w.presented_overlay_version;
    if (!w.present_forced && !menu_changed && !overlay_changed &&
        w.surface->version == w.presented_client_version)
      continue;
    if (menu_changed) {
      if (!w.menu_bar) w.menu_bar = std::make_shared<Surface>(0, 0);
      w.menu_bar->Resize(w.client_width, menu_h);
      PaintMenuBar(w.handle, *w.menu_bar);
    }
    static std::vector<RECT> changed;
    bool whole = false;
    Compose(w, menu_h, menu_changed, &changed, &whole);
    w.presented_client_version = w.surface->version;
    w.presented_menu_generation = generation;
    w.presented_overlay_version = w.overlay ? w.overlay->version : 0;
    w.present_forced = false;
    // Drawing that put back the pixels already there shows nothing new.
    if (!whole && changed.empty()) continue;
    CurrentHost().Present(w.native, *w.frame, whole ? nullptr : changed.data(),
                          whole ? 0 : int(changed.size()));
  }
}

int64_t NextTimerDue() { return NextDue(); }

void ForgetWindowMessages(HWND hwnd) {
  auto& s = S();
  auto gone = [hwnd](const MSG& m) { return m.hwnd == hwnd; };
  s.posted.erase(std::remove_if(s.posted.begin(), s.posted.end(), gone), s.posted.end());
  s.input.erase(std::remove_if(s.input.begin(), s.input.end(), gone), s.input.end());
  if (s.focus == hwnd) s.focus = nullptr;
}

}  // namespace platform::user

using namespace platform;
using namespace platform::user;

extern "C" {

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
  if (!lpMsg) return FALSE;
  if (hWnd && hWnd != reinterpret_cast<HWND>(intptr_t(-1)) && !LookupWindow(hWnd)) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  FreeDestroyedWindows();
  PumpHost();
  PresentChanged();
  return Peek(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg) ? TRUE : FALSE;
}

BOOL WINAPI WaitMessage(void) {
  Host& host = CurrentHost();
  for (;;) {
    PumpHost();
    PresentChanged();
    if (AnythingReady()) return TRUE;
    // Sleeps in the host until a native event or the next timer.
    host.WaitEvent(NextDue());
  }
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                       DWORD dwMilliseconds, DWORD dwWakeMask) {
  (void)pHandles, (void)fWaitAll;
  // No kernel objects here to wait on: any handle is one we do not know.
  if (nCount != 0) {
    SetLastError(kErrorInvalidHandle);
    return WAIT_FAILED;
  }
  Host& host = CurrentHost();
  const int64_t end = dwMilliseconds == INFINITE ? -1 : Now() + int64_t(dwMilliseconds);
  for (;;) {
    PumpHost();
    PresentChanged();
    if (ReadyFor(dwWakeMask)) return WAIT_OBJECT_0;
    const int64_t now = Now();
    if (end >= 0 && now >= end) return WAIT_TIMEOUT;
    // Timers wake the wait only when it asked for them.
    int64_t deadline = end;
    const int64_t due = (dwWakeMask & QS_TIMER) ? NextDue() : -1;
    if (due >= 0 && (deadline < 0 || due < deadline)) deadline = due;
    host.WaitEvent(deadline);
  }
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (!lpMsg) return -1;
  for (;;) {
    if (hWnd && hWnd != reinterpret_cast<HWND>(intptr_t(-1)) && !LookupWindow(hWnd)) {
      SetLastError(kErrorInvalidWindowHandle);
      return -1;
    }
    if (PeekMessageA(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_REMOVE))
      return lpMsg->message == WM_QUIT ? FALSE : TRUE;
    WaitMessage();
    // A filter may leave something it does not want waiting in the queue; wait
    // for the host or the next timer rather than spin on it.
    if (AnythingReady() && !PeekMessageA(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_NOREMOVE)) {
      CurrentHost().WaitEvent(NextDue() >= 0 ? NextDue() : Now() + 10);
    }
  }
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd && !LookupWindow(hWnd)) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  S().posted.push_back(MakeMessage(hWnd, Msg, wParam, lParam));
  CurrentHost().Wake();
  return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
  auto& s = S();
  s.quit_pending = true;
  s.quit_code = nExitCode;
  CurrentHost().Wake();
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  if (!lpMsg) return 0;
  if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
    proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
    return 0;
  }
  if (!lpMsg->hwnd) return 0;
  Window* w = LookupWindow(lpMsg->hwnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  return Send(*w, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  auto& s = S();
  std::vector<Timer>* list = &s.thread_timers;
  if (hWnd) {
    Window* w = LookupWindow(hWnd);
    if (!w) {
      SetLastError(kErrorInvalidWindowHandle);
      return 0;
    }
    list = &w->timers;
  }
  UINT elapse = std::clamp(uElapse, kTimerMinimum, kTimerMaximum);
  UINT_PTR id = nIDEvent;
  if (!hWnd) {
    // Thread timers get their id from the system unless an existing one is named.
    bool exists = std::any_of(list->begin(), list->end(),
                              [&](const Timer& t) { return nIDEvent && t.id == nIDEvent; });
    if (!exists) id = s.next_thread_timer++;
  }
  Timer t;
  t.id = id;
  t.elapse_ms = elapse;
  t.due_ms = Now() + elapse;
  t.proc = lpTimerFunc;
  for (Timer& old : *list) {
    if (old.id == id) {
      old = t;  // same id on the same window: replaced, restarted
      return hWnd ? (id ? id : 1) : id;
    }
  }
  list->push_back(t);
  CurrentHost().Wake();
  return hWnd ? (id ? id : 1) : id;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  auto& s = S();
  std::vector<Timer>* list = &s.thread_timers;
  if (hWnd) {
    Window* w = LookupWindow(hWnd);
    if (!w) {
      SetLastError(kErrorInvalidWindowHandle);
      return FALSE;
    }
    list = &w->timers;
  }
  auto it =
      std::find_if(list->begin(), list->end(), [&](const Timer& t) { return t.id == uIDEvent; });
  if (it == list->end()) {
    SetLastError(kErrorInvalidParameter);
    return FALSE;
  }
  list->erase(it);
  return TRUE;
}

}  // extern "C"
