// The window system's own structures: classes, windows, menus, timers, and the
// hooks between the queue (user/), the menu bar's drawing and navigation
// (menu_ui.cpp) and the hosts. One thread; nothing here is locked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../host/host.h"
#include "../gdi/hooks.h"
#include "../surface.h"

namespace platform {

// The client-area surface of a window; null for anything that is not a live window.
SurfacePtr WindowSurface(HWND hwnd);

// ---- Menus ---------------------------------------------------------------------
struct MenuItem {
  UINT flags =
      0;  // MF_* as given to AppendMenuA (MF_POPUP, MF_SEPARATOR, MF_CHECKED, MF_GRAYED ...)
  UINT_PTR id = 0;        // command id; for MF_POPUP items the popup's HMENU value
  std::string text;       // as given, '&' and '\t' included
  HMENU popup = nullptr;  // the submenu of an MF_POPUP item
};

struct Menu {
  HMENU handle = nullptr;
  bool popup = false;  // CreatePopupMenu rather than CreateMenu
  std::vector<MenuItem> items;
  HWND window = nullptr;  // the window showing it as its menu bar (SetMenu), or null
};

// Null for a null, destroyed or wrong-kind handle.
Menu* LookupMenu(HMENU menu);
// Bumped by every change to any menu's items or flags, so a window repaints its
// menu bar only when something in it changed.
uint64_t MenuGeneration();

// ---- Windows -------------------------------------------------------------------
struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
};

struct Timer {
  UINT_PTR id = 0;
  UINT elapse_ms = 0;
  int64_t due_ms = 0;  // host clock (Host::NowMs)
  TIMERPROC proc = nullptr;
};

struct Window {
  HWND handle = nullptr;
  const WindowClass* cls = nullptr;
  WNDPROC proc = nullptr;
  std::string title;
  DWORD style = 0;
  DWORD ex_style = 0;
  RECT rect = {0, 0, 0, 0};  // outer rectangle, screen coordinates
  FrameExtents wm_frame;     // the window manager's frame and caption inside rect
  int client_width = 0;
  int client_height = 0;
  HMENU menu = nullptr;  // menu bar; when set, SM_CYMENU rows above the client area
  bool visible = false;
  bool destroying = false;

  SurfacePtr surface;   // the client area's pixels
  SurfacePtr menu_bar;  // the menu bar's pixels (PaintMenuBar), when there is a menu

  // Invalid (update) region, kept as its bounding rectangle in client coordinates.
  bool has_update = false;
  RECT update = {0, 0, 0, 0};
  bool erase_pending = false;

  std::vector<Timer> timers;

  NativeId native = 0;
  bool created = false;     // WM_CREATE returned
  bool shown_once = false;  // the first show sends WM_SIZE and WM_MOVE again
  SurfacePtr frame;         // menu bar and client area composed for the host
  uint64_t presented_overlay_version = 0;
  // What the host last showed, to present only on change.
  uint64_t presented_client_version = ~uint64_t(0);
  uint64_t presented_menu_generation = ~uint64_t(0);
  bool present_forced = true;
  bool framed_overlay = false;  // the frame holds an overlay's pixels over client rows

  // A popup menu (or anything else) the menu code draws over the window, in
  // frame coordinates (the menu bar's top-left is 0,0). Composed on top of menu bar
  // and client area when presenting; null when nothing is open.
  SurfacePtr overlay;
  int overlay_x = 0;
  int overlay_y = 0;
};

// Null for a null, destroyed or wrong-kind handle.
Window* LookupWindow(HWND hwnd);
// Height of the window's menu bar: SM_CYMENU with a menu, 0 without.
int MenuBarHeight(const Window& w);
// The host told us the manager's frame around the window changed: the client
// area becomes what the frame leaves, with WM_SIZE when its size changed.
void FrameChanged(Window& w);
// Asks for the window's frame (menu bar, client area, overlay) to be composed and
// presented again on the next pass of the queue, e.g. after the menu code changed
// a highlight or the overlay.
void RequestPresent(HWND hwnd);
// The window that receives keyboard input, or null.
HWND FocusWindow();

// ---- Implemented by menu_ui.cpp ------------------------------------------------
// Draws the window's menu bar into `bar` (SM_CYMENU high, the window's width).
void PaintMenuBar(HWND window, Surface& bar);
// Offered every key and mouse event of a window that has a menu bar, before the
// queue turns it into messages. Returns true when the menu took it: clicks on the
// bar (y < client_top, in frame coordinates), Alt and F10, keys and clicks while a
// popup is open. Commands chosen are posted as WM_COMMAND (PostMessageA).
bool MenuHandleEvent(HWND window, const NativeEvent& ev, int client_top);
// Opening the menu posts WM_SYSCOMMAND (SC_KEYMENU or SC_MOUSEMENU) to the window;
// DefWindowProc then runs this modal loop until the menu closes: other messages
// are dispatched meanwhile, and a chosen command is posted as WM_COMMAND after
// WM_EXITMENULOOP. SC_KEYMENU also opens a closed menu, as on Windows: lparam is
// the mnemonic's character, 0 for the bar. Returns at once when nothing is open.
void MenuModalLoop(HWND window, WPARAM command, LPARAM lparam);

// ---- Input without a host (tests) ----------------------------------------------
// Feeds a native event through the same translation as the host's events
// (menu first, then WM_KEYDOWN / WM_LBUTTONDOWN ... posted to the window).
void InjectEvent(const NativeEvent& ev);
// A key going down or up on the window (vk a virtual-key code).
void InjectKey(HWND hwnd, int vk, bool down);
// A left click (down and up) at client coordinates x, y.
void InjectClick(HWND hwnd, int x, int y);

}  // namespace platform
