// Window classes and windows: creation and destruction, showing, moving, sizes
// and metrics, and the default window procedure.
#include <algorithm>
#include <cctype>

#include "../host/host.h"
#include "user_state.h"

namespace platform::user {

namespace {

constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr DWORD kErrorClassAlreadyExists = 1410;
constexpr DWORD kErrorCannotFindClass = 1407;
constexpr DWORD kErrorResourceNotFound = 1814;
constexpr WPARAM kScClose = SC_CLOSE;
constexpr WPARAM kScKeyMenu = SC_KEYMENU;
constexpr WPARAM kScMouseMenu = SC_MOUSEMENU;
constexpr WPARAM kWaActive = 1;

std::string Lower(const char* s) {
  std::string r(s ? s : "");
  for (char& c : r) c = char(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// Class atoms: RegisterClassA's result, usable in place of the class name.
std::vector<WindowClass*>& Atoms() {
  static std::vector<WindowClass*> atoms;
  return atoms;
}
constexpr ATOM kFirstAtom = 0xC000;

// A class name is an atom only when it is one RegisterClassA handed out. Telling
// atoms from names by a small value would break where the target places static data
// below 0x10000 (WebAssembly starts its data at 1024), so names are read wherever
// they are.
WindowClass* AtomClass(LPCSTR name) {
  uintptr_t v = reinterpret_cast<uintptr_t>(name);
  if (v < kFirstAtom) return nullptr;
  size_t i = v - kFirstAtom;
  return i < Atoms().size() ? Atoms()[i] : nullptr;
}

WindowClass* FindClass(LPCSTR name) {
  auto& s = S();
  if (!name) return nullptr;
  if (WindowClass* c = AtomClass(name)) return c;
  auto it = s.classes.find(Lower(name));
  return it == s.classes.end() ? nullptr : it->second.get();
}

// Windows freed by DestroyWindow stay allocated until the queue is next entered
// from the top, since the procedure that destroyed them may still be running.
std::vector<std::unique_ptr<Window>>& Graveyard() {
  static std::vector<std::unique_ptr<Window>> dead;
  return dead;
}

// Frame sizes seen so far on windows with and without a sizing border, for
// GetSystemMetrics; 0 until a window manager has told us its own.
FrameExtents g_fixed_frame, g_sizing_frame;

void NoteFrame(const Window& w) {
  if (w.wm_frame == FrameExtents{}) return;
  ((w.style & WS_THICKFRAME) ? g_sizing_frame : g_fixed_frame) = w.wm_frame;
}

void ResizeClient(Window& w) {
  int width = w.rect.right - w.rect.left - w.wm_frame.left - w.wm_frame.right;
  int height = w.rect.bottom - w.rect.top - w.wm_frame.top - w.wm_frame.bottom - MenuBarHeight(w);
  w.client_width = std::max(width, 0);
  w.client_height = std::max(height, 0);
  if (w.surface) w.surface->Resize(w.client_width, w.client_height);
  w.present_forced = true;
}

LPARAM ClientOrigin(const Window& w) {
  return MAKELPARAM(w.rect.left + w.wm_frame.left, w.rect.top + w.wm_frame.top + MenuBarHeight(w));
}

void SetFocusTo(HWND hwnd) {
  auto& s = S();
  if (s.focus == hwnd) return;
  HWND old = s.focus;
  s.focus = hwnd;
  if (Window* o = LookupWindow(old)) Send(*o, WM_KILLFOCUS, WPARAM(hwnd), 0);
  if (Window* n = LookupWindow(hwnd)) {
    Send(*n, WM_ACTIVATE, kWaActive, 0);
    Send(*n, WM_SETFOCUS, WPARAM(old), 0);
  }
}

// After the focus window hides or goes away, the most recently created visible
// window takes the keyboard.
void RefocusAfterLosing(HWND hwnd) {
  auto& s = S();
  if (s.focus != hwnd) return;
  s.focus = nullptr;
  for (auto it = s.windows.rbegin(); it != s.windows.rend(); ++it) {
    Window& w = *it->second;
    if (w.handle != hwnd && w.visible && !w.destroying) {
      SetFocusTo(w.handle);
      return;
    }
  }
}

}  // namespace

State& S() {
  static State state;
  return state;
}

namespace {
// Window procedures running now; while any runs, a window it was given may be
// destroyed under it and must stay readable.
int procedures_running = 0;
}  // namespace

LRESULT Send(Window& w, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC proc = w.proc;
  if (!proc) return 0;
  ++procedures_running;
  LRESULT r = proc(w.handle, msg, wp, lp);
  --procedures_running;
  return r;
}

void FreeDestroyedWindows() {
  if (procedures_running == 0) Graveyard().clear();
}

// A top-level window is never larger than the maximum tracking size, whoever asks:
// a huge size would cost a surface of gigabytes and a scroll of all of it per line.
static void BoundToMaxTrack(DWORD style, int* width, int* height) {
  if (style & WS_CHILD) return;
  *width = std::min(*width, GetSystemMetrics(SM_CXMAXTRACK));
  *height = std::min(*height, GetSystemMetrics(SM_CYMAXTRACK));
}

// Moves and sizes a window and its native window; used by MoveWindow and by the
// host when the user resizes.
void MoveWindowTo(Window& w, int x, int y, int width, int height, bool repaint, bool move_native) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const int asked_width = width, asked_height = height;
  BoundToMaxTrack(w.style, &width, &height);
  // A size the desktop imposed beyond the bound is given back to the native window too.
  if (width != asked_width || height != asked_height) move_native = true;
  RECT old = w.rect;
  int old_cw = w.client_width, old_ch = w.client_height;
  w.rect = {x, y, x + width, y + height};
  ResizeClient(w);
  if (move_native && w.native) CurrentHost().MoveNative(w.native, x, y, width, height);
  bool moved = old.left != x || old.top != y;
  bool sized = old_cw != w.client_width || old_ch != w.client_height;
  HWND h = w.handle;
  if (moved) Send(w, WM_MOVE, 0, ClientOrigin(w));
  if (!LookupWindow(h)) return;
  if (sized) Send(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w.client_width, w.client_height));
  if (!LookupWindow(h)) return;
  if (!repaint || !sized) return;
  UINT redraw = w.cls ? (w.cls->style & (CS_HREDRAW | CS_VREDRAW)) : 0;
  if (redraw || w.client_width < old_cw || w.client_height < old_ch) {
    Invalidate(w, nullptr, true);
  } else {
    // Only the strips that were not there before need painting.
    RECT right = {old_cw, 0, w.client_width, w.client_height};
    RECT bottom = {0, old_ch, w.client_width, w.client_height};
    Invalidate(w, &right, true);
    Invalidate(w, &bottom, true);
  }
}

// Recomputes the client area after the menu bar appeared or went away.
void MenuBarChanged(Window& w) {
  int old_cw = w.client_width, old_ch = w.client_height;
  ResizeClient(w);
  if (w.menu) {
    if (!w.menu_bar) w.menu_bar = std::make_shared<Surface>(0, 0);
  } else {
    w.menu_bar.reset();
  }
  w.presented_menu_generation = ~uint64_t(0);
  // A changed frame repositions the window: WM_MOVE and WM_SIZE, also while it
  // is being created (SetMenu in WM_CREATE).
  HWND h = w.handle;
  bool sized = old_cw != w.client_width || old_ch != w.client_height;
  Send(w, WM_MOVE, 0, ClientOrigin(w));
  Window* again = LookupWindow(h);
  if (!again) return;
  Send(*again, WM_SIZE, SIZE_RESTORED, MAKELPARAM(again->client_width, again->client_height));
  again = LookupWindow(h);
  if (again && sized && again->visible) Invalidate(*again, nullptr, true);
}

}  // namespace platform::user

namespace platform {

using namespace platform::user;

Window* LookupWindow(HWND hwnd) {
  auto& s = S();
  auto it = s.windows.find(reinterpret_cast<uintptr_t>(hwnd));
  if (it == s.windows.end()) return nullptr;
  return it->second.get();
}

int MenuBarHeight(const Window& w) { return w.menu ? GetSystemMetrics(SM_CYMENU) : 0; }

void FrameChanged(Window& w) {
  if (!w.native) return;
  w.wm_frame = CurrentHost().NativeFrame(w.native);
  NoteFrame(w);
  const RECT r = w.rect;
  // The outer box stays; the frame inside it took or gave back client pixels.
  MoveWindowTo(w, r.left, r.top, r.right - r.left, r.bottom - r.top, true, true);
}

void RequestPresent(HWND hwnd) {
  if (Window* w = LookupWindow(hwnd)) w->present_forced = true;
}

HWND FocusWindow() { return S().focus; }

SurfacePtr WindowSurface(HWND hwnd) {
  Window* w = LookupWindow(hwnd);
  return w ? w->surface : nullptr;
}

}  // namespace platform

using namespace platform;
using namespace platform::user;

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
  auto& s = S();
  if (!wc || !wc->lpszClassName) {
    SetLastError(87);  // ERROR_INVALID_PARAMETER
    return 0;
  }
  if (AtomClass(wc->lpszClassName)) {
    // The atom of a class already registered.
    SetLastError(kErrorClassAlreadyExists);
    return 0;
  }
  std::string key = Lower(wc->lpszClassName);
  if (s.classes.count(key)) {
    SetLastError(kErrorClassAlreadyExists);
    return 0;
  }
  auto c = std::make_unique<WindowClass>();
  c->name = wc->lpszClassName;
  c->style = wc->style;
  c->proc = wc->lpfnWndProc;
  c->instance = wc->hInstance;
  c->icon = wc->hIcon;
  c->cursor = wc->hCursor;
  c->background = wc->hbrBackground;
  Atoms().push_back(c.get());
  s.classes.emplace(key, std::move(c));
  return ATOM(kFirstAtom + Atoms().size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
  auto& s = S();
  WindowClass* cls = FindClass(lpClassName);
  if (!cls) {
    SetLastError(kErrorCannotFindClass);
    return nullptr;
  }
  Host& host = CurrentHost();
  if (X == CW_USEDEFAULT) X = Y = 0;
  if (nWidth == CW_USEDEFAULT) {
    nWidth = host.ScreenWidth() * 3 / 4;
    nHeight = host.ScreenHeight() * 3 / 4;
  }
  nWidth = std::max(nWidth, 0);
  nHeight = std::max(nHeight, 0);
  BoundToMaxTrack(dwStyle, &nWidth, &nHeight);

  auto w = std::make_unique<Window>();
  HWND h =
      reinterpret_cast<HWND>(TakeHandle(s.next_window, kWindowTag + 0x20, kMenuTag, s.windows));
  if (!h) return nullptr;
  w->handle = h;
  w->cls = cls;
  w->proc = cls->proc;
  w->title = lpWindowName ? lpWindowName : "";
  w->style = dwStyle & ~DWORD(WS_VISIBLE);
  w->ex_style = dwExStyle;
  w->rect = {X, Y, X + nWidth, Y + nHeight};
  if (LookupMenu(hMenu) && !(dwStyle & WS_CHILD)) {
    w->menu = hMenu;
    LookupMenu(hMenu)->window = h;
    w->menu_bar = std::make_shared<Surface>(0, 0);
  }
  w->surface = std::make_shared<Surface>(0, 0);
  w->native =
      host.CreateNative(w->title.c_str(), X, Y, nWidth, nHeight, (dwStyle & WS_THICKFRAME) != 0);
  if (w->native) {
    NativeStyle ns;
    ns.resizable = (dwStyle & WS_THICKFRAME) != 0;
    ns.minimize_box = (dwStyle & WS_MINIMIZEBOX) != 0;
    ns.maximize_box = (dwStyle & WS_MAXIMIZEBOX) != 0;
    host.StyleNative(w->native, ns);
    w->wm_frame = host.NativeFrame(w->native);
    NoteFrame(*w);
  }
  ResizeClient(*w);
  Window* win = w.get();
  s.windows.emplace(reinterpret_cast<uintptr_t>(h), std::move(w));

  CREATESTRUCTA cs = {};
  cs.lpCreateParams = lpParam;
  cs.hInstance = hInstance;
  cs.hMenu = hMenu;
  cs.hwndParent = hWndParent;
  cs.cx = nWidth;
  cs.cy = nHeight;
  cs.x = X;
  cs.y = Y;
  cs.style = LONG(dwStyle);
  cs.lpszName = lpWindowName;
  cs.lpszClass = lpClassName;
  cs.dwExStyle = dwExStyle;
  if (!Send(*win, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!LookupWindow(h)) return nullptr;
  if (Send(*win, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!LookupWindow(h)) return nullptr;
  win->created = true;
  // As on Windows, a hidden window hears of its size when first shown (or when its
  // frame changes, as SetMenu does), not at creation.
  if (dwStyle & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return LookupWindow(h) ? h : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
  auto& s = S();
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (w->destroying) return TRUE;
  w->destroying = true;
  if (w->visible) {
    w->visible = false;
    if (w->native) CurrentHost().ShowNative(w->native, false);
  }
  RefocusAfterLosing(hWnd);
  if (s.focus == hWnd) s.focus = nullptr;
  Send(*w, WM_DESTROY, 0, 0);
  w->timers.clear();
  Send(*w, WM_NCDESTROY, 0, 0);
  w->timers.clear();
  ForgetWindowMessages(hWnd);
  if (w->native) CurrentHost().DestroyNative(w->native);
  w->native = 0;
  // The menu bar goes with its window, as on Windows.
  if (w->menu) {
    if (Menu* m = LookupMenu(w->menu)) m->window = nullptr;
    HMENU menu = w->menu;
    w->menu = nullptr;
    DestroyMenu(menu);
  }
  auto it = s.windows.find(reinterpret_cast<uintptr_t>(hWnd));
  Graveyard().push_back(std::move(it->second));
  s.windows.erase(it);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) { return LookupWindow(hWnd) ? TRUE : FALSE; }

BOOL WINAPI IsWindowVisible(HWND hWnd) {
  Window* w = LookupWindow(hWnd);
  return w && w->visible ? TRUE : FALSE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  auto& s = S();
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  bool was = w->visible;
  bool show = nCmdShow != SW_HIDE;
  bool activate = show && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE &&
                  nCmdShow != SW_SHOWMINNOACTIVE;
  if (show != was) {
    Send(*w, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!(w = LookupWindow(hWnd))) return was ? TRUE : FALSE;
    w->visible = show;
    if (show)
      w->style |= WS_VISIBLE;
    else
      w->style &= ~DWORD(WS_VISIBLE);
    if (w->native) CurrentHost().ShowNative(w->native, show);
    if (show) {
      Invalidate(*w, nullptr, true);
      w->present_forced = true;
    } else {
      RefocusAfterLosing(hWnd);
    }
  }
  if (activate && s.focus != hWnd) SetFocusTo(hWnd);
  if (!(w = LookupWindow(hWnd))) return was ? TRUE : FALSE;
  if (show && !w->shown_once) {
    w->shown_once = true;
    Send(*w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->client_width, w->client_height));
    if ((w = LookupWindow(hWnd))) Send(*w, WM_MOVE, 0, ClientOrigin(*w));
  }
  return was ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (w->visible && w->has_update) Send(*w, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  MoveWindowTo(*w, X, Y, nWidth, nHeight, bRepaint != FALSE, true);
  return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  Window* w = LookupWindow(hWnd);
  if (!w || !lpRect) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  *lpRect = w->rect;
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  Window* w = LookupWindow(hWnd);
  if (!w || !lpRect) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  *lpRect = {0, 0, w->client_width, w->client_height};
  return TRUE;
}

int WINAPI GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN:
      return CurrentHost().ScreenWidth();
    case SM_CYSCREEN:
      return CurrentHost().ScreenHeight();
    case SM_CYMENU:
      return 19;
    // The largest a window may be made: the screen and the sizing frame around it.
    case SM_CXMAXTRACK:
      return CurrentHost().ScreenWidth() + 2 * GetSystemMetrics(SM_CXFRAME);
    case SM_CYMAXTRACK:
      return CurrentHost().ScreenHeight() + 2 * GetSystemMetrics(SM_CYFRAME);
    // Frame and caption are the desktop window manager's, as far as it has told
    // us; without a manager they take nothing.
    case SM_CXFIXEDFRAME:
      return g_fixed_frame.left;
    case SM_CYFIXEDFRAME:
      return g_fixed_frame.bottom;
    case SM_CXFRAME:
      return g_sizing_frame.left;
    case SM_CYFRAME:
      return g_sizing_frame.bottom;
    case SM_CYCAPTION: {
      const FrameExtents& f = g_fixed_frame == FrameExtents{} ? g_sizing_frame : g_fixed_frame;
      return std::max(f.top - f.bottom, 0);
    }
    case SM_CXBORDER:
    case SM_CYBORDER:
    default:
      return 0;
  }
}

// Stock icons and cursors: the ids 32512 and up with no instance. Their handles
// are odd numbers in the window range, which no window ever gets.
HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  uintptr_t id = reinterpret_cast<uintptr_t>(lpIconName);
  if (hInstance || id < 32512 || id > 32520) {
    SetLastError(kErrorResourceNotFound);
    return nullptr;
  }
  return reinterpret_cast<HICON>(kWindowTag + 1 + 2 * (id - 32512));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  uintptr_t id = reinterpret_cast<uintptr_t>(lpCursorName);
  if (hInstance || id < 32512 || id > 32651) {
    SetLastError(kErrorResourceNotFound);
    return nullptr;
  }
  return reinterpret_cast<HCURSOR>(kWindowTag + 0x10001 + 2 * (id - 32512));
}

SHORT WINAPI GetKeyState(int nVirtKey) {
  if (nVirtKey < 0 || nVirtKey > 255) return 0;
  BYTE k = S().keys[nVirtKey];
  SHORT r = 0;
  if (k & 0x80) r = SHORT(0xFF80);
  if (k & 0x01) r = SHORT(r | 1);
  return r;
}

DWORD WINAPI GetGuiResources(HANDLE hProcess, DWORD uiFlags) {
  (void)hProcess;
  if (uiFlags == GR_GDIOBJECTS) return LiveGdiObjectCount();
  if (uiFlags == GR_USEROBJECTS) return DWORD(S().windows.size() + S().menus.size());
  return 0;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  return Send(*w, Msg, wParam, lParam);
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window* w = LookupWindow(hWnd);
  if (!w) return 0;
  switch (Msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kScClose) Send(*w, WM_CLOSE, 0, 0);
      if ((wParam & 0xFFF0) == kScKeyMenu || (wParam & 0xFFF0) == kScMouseMenu)
        MenuModalLoop(hWnd, wParam, lParam);
      return 0;
    case WM_ERASEBKGND: {
      COLORREF colour;
      if (!w->cls || !SolidBrushColor(w->cls->background, &colour) || !w->surface) return 0;
      RECT r = w->has_update ? w->update : RECT{0, 0, w->client_width, w->client_height};
      FillSurfaceRect(*w->surface, r, colour);
      ++w->surface->version;
      return 1;
    }
    case WM_PAINT: {
      // Painting nothing still validates, or WM_PAINT would come back forever.
      PAINTSTRUCT ps;
      if (BeginPaint(hWnd, &ps)) EndPaint(hWnd, &ps);
      return 0;
    }
    default:
      return 0;
  }
}

}  // extern "C"
