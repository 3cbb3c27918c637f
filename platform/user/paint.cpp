// Painting: the update region, BeginPaint/EndPaint and window DCs.
#include <algorithm>
#include <set>

#include "user_state.h"

namespace platform::user {

namespace {

constexpr DWORD kErrorInvalidWindowHandle = 1400;

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// DCs handed out by GetDC, so ReleaseDC frees only those.
std::set<HDC>& WindowDCs() {
  static std::set<HDC> dcs;
  return dcs;
}

SurfacePtr ScreenScratch() {
  static SurfacePtr scratch = std::make_shared<Surface>(1, 1);
  return scratch;
}

}  // namespace

void Invalidate(Window& w, const RECT* r, bool erase) {
  RECT c = {0, 0, w.client_width, w.client_height};
  if (r) {
    c.left = std::max(c.left, r->left);
    c.top = std::max(c.top, r->top);
    c.right = std::min(c.right, r->right);
    c.bottom = std::min(c.bottom, r->bottom);
  }
  if (Empty(c)) return;
  if (w.has_update) {
    w.update.left = std::min(w.update.left, c.left);
    w.update.top = std::min(w.update.top, c.top);
    w.update.right = std::max(w.update.right, c.right);
    w.update.bottom = std::max(w.update.bottom, c.bottom);
  } else {
    w.update = c;
    w.has_update = true;
  }
  if (erase) w.erase_pending = true;
}

void ValidateAll(Window& w) {
  w.has_update = false;
  w.update = {0, 0, 0, 0};
  w.erase_pending = false;
}

}  // namespace platform::user

using namespace platform;
using namespace platform::user;

extern "C" {

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  if (!hWnd) {
    // No window: every window is repainted, as on Windows.
    for (auto& [id, w] : S().windows) Invalidate(*w, nullptr, bErase != FALSE);
    return TRUE;
  }
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  Invalidate(*w, lpRect, bErase != FALSE);
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect) {
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (!w->has_update) return TRUE;
  if (!lpRect) {
    ValidateAll(*w);
    return TRUE;
  }
  // The region is kept as one rectangle: it shrinks only where a whole side of it
  // is covered, and it is never made smaller than what is still invalid.
  RECT u = w->update;
  const RECT& v = *lpRect;
  bool covers_x = v.left <= u.left && v.right >= u.right;
  bool covers_y = v.top <= u.top && v.bottom >= u.bottom;
  if (covers_x && covers_y) {
    ValidateAll(*w);
    return TRUE;
  }
  if (covers_x) {
    if (v.top <= u.top && v.bottom > u.top)
      u.top = v.bottom;
    else if (v.bottom >= u.bottom && v.top < u.bottom)
      u.bottom = v.top;
  } else if (covers_y) {
    if (v.left <= u.left && v.right > u.left)
      u.left = v.right;
    else if (v.right >= u.right && v.left < u.right)
      u.right = v.left;
  }
  if (Empty(u))
    ValidateAll(*w);
  else
    w->update = u;
  return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) {
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (!w->has_update) {
    if (lpRect) *lpRect = {0, 0, 0, 0};
    return FALSE;
  }
  if (lpRect) *lpRect = w->update;
  if (bErase && w->erase_pending) {
    w->erase_pending = false;
    HDC dc = CreateSurfaceDC(w->surface, hWnd);
    Send(*w, WM_ERASEBKGND, WPARAM(dc), 0);
    DestroySurfaceDC(dc);
  }
  return TRUE;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  Window* w = LookupWindow(hWnd);
  if (!w || !lpPaint) {
    SetLastError(kErrorInvalidWindowHandle);
    return nullptr;
  }
  HDC dc = CreateSurfaceDC(w->surface, hWnd);
  if (!dc) return nullptr;
  *lpPaint = PAINTSTRUCT{};
  lpPaint->hdc = dc;
  lpPaint->rcPaint = w->has_update ? w->update : RECT{0, 0, 0, 0};
  if (w->erase_pending) {
    w->erase_pending = false;
    // fErase tells the program the background still needs erasing.
    lpPaint->fErase = Send(*w, WM_ERASEBKGND, WPARAM(dc), 0) ? FALSE : TRUE;
    if (!(w = LookupWindow(hWnd))) return dc;
  }
  ValidateAll(*w);
  return dc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  (void)hWnd;
  // Windows reports success whatever it is given; the DC is freed if it is one.
  if (lpPaint && lpPaint->hdc && SurfaceDCWindow(lpPaint->hdc) && !WindowDCs().count(lpPaint->hdc))
    DestroySurfaceDC(lpPaint->hdc);
  return TRUE;
}

HDC WINAPI GetDC(HWND hWnd) {
  HDC dc = nullptr;
  if (!hWnd) {
    dc = CreateSurfaceDC(ScreenScratch(), nullptr);
  } else {
    Window* w = LookupWindow(hWnd);
    if (!w) {
      SetLastError(kErrorInvalidWindowHandle);
      return nullptr;
    }
    dc = CreateSurfaceDC(w->surface, hWnd);
  }
  if (dc) WindowDCs().insert(dc);
  return dc;
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
  (void)hWnd;
  auto it = WindowDCs().find(hDC);
  if (it == WindowDCs().end()) return 0;
  WindowDCs().erase(it);
  DestroySurfaceDC(hDC);
  return 1;
}

}  // extern "C"
