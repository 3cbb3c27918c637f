// The menu bar and its popup: drawn with our own GDI into the window's menu-bar
// surface and into an overlay composed above the client area, and driven by the
// native key and mouse events of the window before the queue sees them. One popup
// can be open at a time, in one window; while it is open the menu takes every key
// and click of that window.
#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "user/user_state.h"

namespace platform {
namespace {

// Colours of a plain light desktop menu.
constexpr COLORREF kBarBack = RGB(240, 240, 240);
constexpr COLORREF kBarHot = RGB(204, 232, 255);  // the open or selected bar item
constexpr COLORREF kPopupBack = RGB(250, 250, 250);
constexpr COLORREF kBorder = RGB(150, 150, 150);
constexpr COLORREF kSeparator = RGB(215, 215, 215);
constexpr COLORREF kHighlight = RGB(0, 120, 215);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kHighlightText = RGB(255, 255, 255);
constexpr COLORREF kGrayText = RGB(128, 128, 128);

constexpr int kBarPad = 7;        // each side of a bar item's text
constexpr int kCheckColumn = 22;  // left of an item's text, where the check mark goes
constexpr int kRightPad = 16;     // right of the shortcut
constexpr int kShortcutGap = 24;  // at least this between text and shortcut
constexpr int kSeparatorHeight = 7;
constexpr int kPopupPadY = 2;

// An item's text as shown: '&' marks the mnemonic ("&&" is a plain '&'); what
// follows a tab is the shortcut, shown right-aligned.
struct Label {
  std::string text;
  std::string shortcut;
  int mnemonic = -1;  // index into text, or -1
};

Label ParseLabel(const std::string& raw) {
  Label l;
  const size_t tab = raw.find('\t');
  const std::string head = raw.substr(0, tab);
  if (tab != std::string::npos) l.shortcut = raw.substr(tab + 1);
  for (size_t i = 0; i < head.size(); ++i) {
    if (head[i] == '&' && i + 1 < head.size()) {
      ++i;
      if (head[i] != '&' && l.mnemonic < 0) l.mnemonic = int(l.text.size());
    }
    l.text += head[i];
  }
  return l;
}

// The virtual key that chooses a label's mnemonic, or 0.
int MnemonicKey(const Label& l) {
  if (l.mnemonic < 0) return 0;
  const int c = std::toupper(static_cast<unsigned char>(l.text[size_t(l.mnemonic)]));
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : 0;
}

bool Selectable(const MenuItem& item) {
  return !(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

// A GDI DC on a surface we do not own for longer than one paint.
class Painter {
 public:
  Painter(Surface& s, HWND owner)
      : surface_(std::shared_ptr<Surface>(&s, [](Surface*) {})),
        dc_(CreateSurfaceDC(surface_, owner)) {
    if (!dc_) return;
    old_font_ = SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc_, TRANSPARENT);
    GetTextMetricsA(dc_, &tm_);
  }
  ~Painter() {
    if (!dc_) return;
    SelectObject(dc_, old_font_);
    DestroySurfaceDC(dc_);
  }
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  explicit operator bool() const { return dc_ != nullptr; }
  int TextHeight() const { return tm_.tmHeight > 0 ? int(tm_.tmHeight) : 13; }

  int Width(const std::string& s) {
    SIZE size{0, 0};
    if (dc_ && !s.empty()) GetTextExtentPointA(dc_, s.data(), int(s.size()), &size);
    return int(size.cx);
  }

  void Fill(int left, int top, int right, int bottom, COLORREF c) {
    RECT r{left, top, right, bottom};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc_, &r, b);
    DeleteObject(b);
  }

  void Text(int x, int y, const std::string& s, COLORREF c) {
    if (s.empty()) return;
    SetTextColor(dc_, c);
    TextOutA(dc_, x, y, s.data(), int(s.size()));
  }

  // Text with its mnemonic letter underlined.
  void LabelText(int x, int y, const Label& l, COLORREF c) {
    Text(x, y, l.text, c);
    if (l.mnemonic < 0) return;
    const int from = x + Width(l.text.substr(0, size_t(l.mnemonic)));
    const int to = x + Width(l.text.substr(0, size_t(l.mnemonic) + 1));
    const int under = y + int(tm_.tmAscent) + 1;
    Fill(from, under, std::max(to, from + 1), under + 1, c);
  }

  // A tick, two pixels thick, in a 9 x 8 box at (x, y).
  void CheckMark(int x, int y, COLORREF c) {
    for (int col = 0; col < 9; ++col) {
      const int row = col <= 2 ? 4 + col : 8 - col;
      Fill(x + col, y + row, x + col + 1, y + row + 2, c);
    }
  }

 private:
  SurfacePtr surface_;
  HDC dc_ = nullptr;
  HGDIOBJ old_font_ = nullptr;
  TEXTMETRICA tm_{};
};

// Where each item of a popup lies, in the popup's own coordinates.
struct PopupLayout {
  int width = 0, height = 0;
  int shortcut_right = 0;  // right edge of the shortcut column
  std::vector<int> top, bottom;
  std::vector<Label> labels;
};

PopupLayout LayoutPopup(const Menu& menu, Painter& p) {
  PopupLayout lay;
  const int item_h = p.TextHeight() + 6;
  int text_w = 0, shortcut_w = 0;
  int y = 1 + kPopupPadY;
  for (const MenuItem& item : menu.items) {
    lay.labels.push_back(ParseLabel(item.text));
    const Label& l = lay.labels.back();
    lay.top.push_back(y);
    y += (item.flags & MF_SEPARATOR) ? kSeparatorHeight : item_h;
    lay.bottom.push_back(y);
    if (item.flags & MF_SEPARATOR) continue;
    text_w = std::max(text_w, p.Width(l.text));
    shortcut_w = std::max(shortcut_w, p.Width(l.shortcut));
  }
  lay.height = y + kPopupPadY + 1;
  lay.width =
      1 + kCheckColumn + text_w + (shortcut_w ? kShortcutGap + shortcut_w : 0) + kRightPad + 1;
  lay.shortcut_right = lay.width - 1 - kRightPad;
  return lay;
}

void PaintPopup(const Menu& menu, const PopupLayout& lay, int hot, Painter& p, int width,
                int height) {
  p.Fill(0, 0, width, height, kBorder);
  p.Fill(1, 1, width - 1, height - 1, kPopupBack);
  const int text_h = p.TextHeight();
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const MenuItem& item = menu.items[i];
    const int top = lay.top[i], bottom = lay.bottom[i];
    if (item.flags & MF_SEPARATOR) {
      const int mid = (top + bottom) / 2;
      p.Fill(1 + 4, mid, width - 1 - 4, mid + 1, kSeparator);
      continue;
    }
    const bool is_hot = int(i) == hot && Selectable(item);
    if (is_hot) p.Fill(1, top, width - 1, bottom, kHighlight);
    const COLORREF c = is_hot ? kHighlightText : Selectable(item) ? kText : kGrayText;
    const int ty = top + (bottom - top - text_h) / 2;
    if (item.flags & MF_CHECKED) p.CheckMark(1 + 7, top + (bottom - top - 10) / 2, c);
    const Label& l = lay.labels[i];
    p.LabelText(1 + kCheckColumn, ty, l, c);
    if (!l.shortcut.empty()) p.Text(lay.shortcut_right - p.Width(l.shortcut), ty, l.shortcut, c);
  }
}

// ---- The menu's state: which window, which bar item, which popup item ---------
enum class Mode { Closed, BarSelected, PopupOpen };

struct MenuLoop {
  HWND window = nullptr;
  Mode mode = Mode::Closed;
  int bar = -1;   // the selected or open bar item
  int item = -1;  // the highlighted popup item, -1 for none
  // Alt went down and nothing else happened before it came up: the bar is selected.
  bool alt_down = false;
  bool alt_alone = false;
  // Where the open popup lies in frame coordinates, for hit tests.
  int popup_x = 0, popup_y = 0;
  PopupLayout layout;
  uint64_t painted_generation = 0;
  // The modal loop of DefWindowProc's WM_SYSCOMMAND is running: a chosen command
  // waits for the loop's end, as on Windows, where WM_COMMAND follows
  // WM_EXITMENULOOP.
  bool modal = false;
  UINT_PTR chosen = 0;
  bool has_chosen = false;
};

MenuLoop g_loop;

struct BarItem {
  int left = 0, right = 0;
  Label label;
};

std::vector<BarItem> LayoutBar(const Menu& bar, Painter& p) {
  std::vector<BarItem> items;
  int x = 0;
  for (const MenuItem& item : bar.items) {
    BarItem b;
    b.label = ParseLabel(item.text);
    b.left = x;
    b.right = x + kBarPad + p.Width(b.label.text) + kBarPad;
    x = b.right;
    items.push_back(std::move(b));
  }
  return items;
}

Menu* BarMenu(HWND hwnd) {
  Window* w = LookupWindow(hwnd);
  return w ? LookupMenu(w->menu) : nullptr;
}

// The bar items' positions, measured with the menu font.
std::vector<BarItem> MeasureBar(HWND hwnd) {
  Menu* bar = BarMenu(hwnd);
  if (!bar) return {};
  Surface scratch(1, 1);
  Painter p(scratch, hwnd);
  if (!p) return {};
  return LayoutBar(*bar, p);
}

int BarItemAt(HWND hwnd, int x) {
  const auto items = MeasureBar(hwnd);
  for (size_t i = 0; i < items.size(); ++i)
    if (x >= items[i].left && x < items[i].right) return int(i);
  return -1;
}

Menu* OpenPopupMenu(HWND hwnd) {
  Menu* bar = BarMenu(hwnd);
  if (!bar || g_loop.bar < 0 || g_loop.bar >= int(bar->items.size())) return nullptr;
  const MenuItem& item = bar->items[size_t(g_loop.bar)];
  return (item.flags & MF_POPUP) ? LookupMenu(item.popup) : nullptr;
}

// Draws the open popup into the window's overlay (or removes the overlay).
void RenderOverlay(HWND hwnd) {
  Window* w = LookupWindow(hwnd);
  if (!w) return;
  Menu* popup = g_loop.mode == Mode::PopupOpen ? OpenPopupMenu(hwnd) : nullptr;
  if (!popup) {
    w->overlay.reset();
    return;
  }
  const int bar_h = MenuBarHeight(*w);
  const int frame_w = std::max(w->client_width, 1);
  const int frame_h = bar_h + std::max(w->client_height, 0);
  Surface scratch(1, 1);
  PopupLayout lay;
  {
    Painter measure(scratch, hwnd);
    if (!measure) return;
    lay = LayoutPopup(*popup, measure);
  }
  // Below its bar item, moved left or cut so that it stays inside the window.
  const auto bar_items = MeasureBar(hwnd);
  int x = g_loop.bar < int(bar_items.size()) ? bar_items[size_t(g_loop.bar)].left : 0;
  const int width = std::min(lay.width, frame_w);
  x = std::clamp(x, 0, frame_w - width);
  const int height = std::max(1, std::min(lay.height, frame_h - bar_h));
  auto surface = std::make_shared<Surface>(width, height, ColorToPixel(kPopupBack));
  {
    Painter p(*surface, hwnd);
    if (!p) return;
    PaintPopup(*popup, lay, g_loop.item, p, width, height);
  }
  ++surface->version;
  g_loop.layout = std::move(lay);
  g_loop.popup_x = x;
  g_loop.popup_y = bar_h;
  g_loop.painted_generation = MenuGeneration();
  w->overlay = surface;
  w->overlay_x = x;
  w->overlay_y = bar_h;
}

// A forced present repaints the bar (its highlight) and composes the overlay.
void Refresh(HWND hwnd) {
  RenderOverlay(hwnd);
  RequestPresent(hwnd);
}

// The window procedure hears that the menu became active: DefWindowProc runs the
// modal loop when it gets this, inside DispatchMessage.
constexpr WPARAM kScKeyMenu = SC_KEYMENU, kScMouseMenu = SC_MOUSEMENU;
// Set while the menu opens on behalf of a WM_SYSCOMMAND already being handled.
bool opening_for_command = false;

void PostMenuCommand(HWND hwnd, bool keyboard) {
  if (opening_for_command) return;
  PostMessageA(hwnd, WM_SYSCOMMAND, keyboard ? kScKeyMenu : kScMouseMenu, 0);
}

// A chosen item's WM_COMMAND: now, or when the modal loop ends.
void Deliver(HWND hwnd, UINT_PTR id) {
  if (g_loop.modal) {
    g_loop.chosen = id;
    g_loop.has_chosen = true;
    return;
  }
  PostMessageA(hwnd, WM_COMMAND, WPARAM(id & 0xFFFF), 0);
}

void CloseMenu() {
  const HWND hwnd = g_loop.window;
  g_loop.mode = Mode::Closed;
  g_loop.bar = -1;
  g_loop.item = -1;
  g_loop.window = nullptr;
  if (hwnd && LookupWindow(hwnd)) Refresh(hwnd);
}

int NextSelectable(const Menu& popup, int from, int step) {
  const int n = int(popup.items.size());
  if (n == 0) return -1;
  int i = from;
  for (int k = 0; k < n; ++k) {
    i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
    if (Selectable(popup.items[size_t(i)])) return i;
  }
  return -1;
}

void Choose(HWND hwnd, int index) {
  Menu* popup = OpenPopupMenu(hwnd);
  if (!popup || index < 0 || index >= int(popup->items.size())) return;
  const MenuItem& item = popup->items[size_t(index)];
  if (!Selectable(item)) return;
  const UINT_PTR id = item.id;
  CloseMenu();
  Deliver(hwnd, id);
}

// Opens the bar item's popup; a plain command on the bar is chosen at once.
void OpenBarItem(HWND hwnd, int index, bool from_keyboard) {
  Menu* bar = BarMenu(hwnd);
  if (!bar || index < 0 || index >= int(bar->items.size())) return;
  const MenuItem& item = bar->items[size_t(index)];
  if (!(item.flags & MF_POPUP)) {
    if (Selectable(item)) {
      const UINT_PTR id = item.id;
      CloseMenu();
      Deliver(hwnd, id);
    }
    return;
  }
  if (item.flags & (MF_GRAYED | MF_DISABLED)) return;
  if (g_loop.mode == Mode::Closed) PostMenuCommand(hwnd, from_keyboard);
  g_loop.window = hwnd;
  g_loop.mode = Mode::PopupOpen;
  g_loop.bar = index;
  g_loop.item = -1;
  if (from_keyboard) {
    if (Menu* popup = OpenPopupMenu(hwnd)) g_loop.item = NextSelectable(*popup, -1, 1);
  }
  Refresh(hwnd);
}

void SelectBar(HWND hwnd) {
  if (g_loop.mode == Mode::Closed) PostMenuCommand(hwnd, true);
  g_loop.window = hwnd;
  g_loop.mode = Mode::BarSelected;
  g_loop.bar = 0;
  g_loop.item = -1;
  Refresh(hwnd);
}

int BarMnemonicIndex(HWND hwnd, int vk) {
  Menu* bar = BarMenu(hwnd);
  if (!bar) return -1;
  for (size_t i = 0; i < bar->items.size(); ++i)
    if (vk != 0 && MnemonicKey(ParseLabel(bar->items[i].text)) == vk) return int(i);
  return -1;
}

// The popup item under a frame point, -1 when none; sets *inside when the point
// is inside the popup at all.
int PopupItemAt(int x, int y, bool* inside) {
  const int px = x - g_loop.popup_x, py = y - g_loop.popup_y;
  *inside = px >= 0 && py >= 0 && px < g_loop.layout.width && py < g_loop.layout.height;
  if (!*inside || px < 1 || px >= g_loop.layout.width - 1) return -1;
  for (size_t i = 0; i < g_loop.layout.top.size(); ++i)
    if (py >= g_loop.layout.top[i] && py < g_loop.layout.bottom[i]) return int(i);
  return -1;
}

bool HandleKey(HWND hwnd, const NativeEvent& ev) {
  const bool down = ev.kind == NativeEvent::KeyDown;
  // Releasing Ctrl or Shift always reaches the program, so that its idea of the
  // modifiers cannot stick after a menu was used.
  if (!down && (ev.vk == VK_CONTROL || ev.vk == VK_SHIFT)) return false;

  if (ev.vk == VK_MENU) {
    if (down) {
      if (ev.repeat) return true;
      g_loop.alt_down = true;
      g_loop.alt_alone = g_loop.mode == Mode::Closed;
      if (g_loop.mode != Mode::Closed) CloseMenu();
    } else {
      const bool select = g_loop.alt_down && g_loop.alt_alone && g_loop.mode == Mode::Closed;
      g_loop.alt_down = false;
      g_loop.alt_alone = false;
      if (select) SelectBar(hwnd);
    }
    return true;
  }
  if (down) g_loop.alt_alone = false;

  if (g_loop.mode == Mode::Closed) {
    if (ev.vk == VK_F10) {
      if (down && !ev.repeat) SelectBar(hwnd);
      return true;
    }
    if (g_loop.alt_down) {
      // Alt+letter opens the bar item with that mnemonic; other Alt combinations
      // are system keys, not the program's.
      if (ev.vk == VK_CONTROL || ev.vk == VK_SHIFT) return false;
      if (down) OpenBarItem(hwnd, BarMnemonicIndex(hwnd, ev.vk), true);
      return true;
    }
    return false;
  }

  if (!down) return true;
  Menu* bar = BarMenu(hwnd);
  const int bar_count = bar ? int(bar->items.size()) : 0;
  switch (ev.vk) {
    case VK_ESCAPE:
    case VK_F10:
      CloseMenu();
      return true;
    case VK_LEFT:
    case VK_RIGHT:
      if (bar_count > 0) {
        const int next = (g_loop.bar + (ev.vk == VK_RIGHT ? 1 : bar_count - 1)) % bar_count;
        if (g_loop.mode == Mode::PopupOpen) {
          OpenBarItem(hwnd, next, true);
        } else {
          g_loop.bar = next;
          Refresh(hwnd);
        }
      }
      return true;
    default:
      break;
  }

  if (g_loop.mode == Mode::BarSelected) {
    if (ev.vk == VK_RETURN || ev.vk == VK_DOWN || ev.vk == VK_UP || ev.vk == VK_SPACE) {
      OpenBarItem(hwnd, g_loop.bar, true);
    } else if (const int i = BarMnemonicIndex(hwnd, ev.vk); i >= 0) {
      OpenBarItem(hwnd, i, true);
    }
    return true;
  }

  Menu* popup = OpenPopupMenu(hwnd);
  if (!popup) {
    CloseMenu();
    return true;
  }
  switch (ev.vk) {
    case VK_DOWN:
    case VK_UP: {
      const int next = NextSelectable(*popup, g_loop.item, ev.vk == VK_DOWN ? 1 : -1);
      if (next != g_loop.item) {
        g_loop.item = next;
        Refresh(hwnd);
      }
      return true;
    }
    case VK_HOME:
    case VK_END:
      g_loop.item = NextSelectable(*popup, -1, ev.vk == VK_HOME ? 1 : -1);
      Refresh(hwnd);
      return true;
    case VK_RETURN:
    case VK_SPACE:
      if (g_loop.item >= 0) Choose(hwnd, g_loop.item);
      return true;
    default:
      break;
  }
  // A mnemonic letter chooses its item; grayed items cannot be chosen this way either.
  for (size_t i = 0; i < popup->items.size(); ++i) {
    const MenuItem& item = popup->items[i];
    if (!Selectable(item)) continue;
    if (MnemonicKey(ParseLabel(item.text)) == ev.vk) {
      Choose(hwnd, int(i));
      return true;
    }
  }
  return true;
}

bool HandleMouse(HWND hwnd, const NativeEvent& ev, int client_top) {
  const bool on_bar = ev.y >= 0 && ev.y < client_top && ev.x >= 0;
  const int bar_item = on_bar ? BarItemAt(hwnd, ev.x) : -1;

  if (g_loop.mode == Mode::Closed) {
    if (!on_bar) return false;
    if (ev.kind == NativeEvent::MouseDown && ev.button == 1 && bar_item >= 0)
      OpenBarItem(hwnd, bar_item, false);
    return true;
  }

  if (g_loop.mode == Mode::BarSelected) {
    if (ev.kind == NativeEvent::MouseDown) {
      if (ev.button == 1 && bar_item >= 0)
        OpenBarItem(hwnd, bar_item, false);
      else
        CloseMenu();  // the click that leaves the menu does nothing else
    }
    return true;
  }

  bool inside = false;
  const int item = PopupItemAt(ev.x, ev.y, &inside);
  Menu* popup = OpenPopupMenu(hwnd);
  const bool choosable = popup && item >= 0 && item < int(popup->items.size()) &&
                         Selectable(popup->items[size_t(item)]);
  switch (ev.kind) {
    case NativeEvent::MouseMove:
      if (bar_item >= 0 && bar_item != g_loop.bar) {
        OpenBarItem(hwnd, bar_item, false);
      } else if (inside || !on_bar) {
        const int hot = choosable ? item : -1;
        if (hot != g_loop.item) {
          g_loop.item = hot;
          Refresh(hwnd);
        }
      }
      return true;
    case NativeEvent::MouseDown:
      if (on_bar) {
        if (bar_item == g_loop.bar || bar_item < 0)
          CloseMenu();
        else
          OpenBarItem(hwnd, bar_item, false);
      } else if (!inside) {
        CloseMenu();  // the click that closes the menu does nothing else
      } else if (choosable && item != g_loop.item) {
        g_loop.item = item;
        Refresh(hwnd);
      }
      return true;
    case NativeEvent::MouseUp:
      if (ev.button == 1 && choosable) Choose(hwnd, item);
      return true;
    default:
      return true;
  }
}

}  // namespace

void PaintMenuBar(HWND window, Surface& bar) {
  if (bar.width <= 0 || bar.height <= 0) return;
  {
    Painter p(bar, window);
    if (!p) return;
    p.Fill(0, 0, bar.width, bar.height, kBarBack);
    if (Menu* menu = BarMenu(window)) {
      const auto items = LayoutBar(*menu, p);
      const int ty = (bar.height - p.TextHeight()) / 2;
      for (size_t i = 0; i < items.size(); ++i) {
        const bool hot =
            g_loop.window == window && g_loop.mode != Mode::Closed && g_loop.bar == int(i);
        if (hot) p.Fill(items[i].left, 0, items[i].right, bar.height, kBarHot);
        const bool grayed = menu->items[i].flags & (MF_GRAYED | MF_DISABLED);
        p.LabelText(items[i].left + kBarPad, ty, items[i].label, grayed ? kGrayText : kText);
      }
    }
  }
  ++bar.version;
  // A check mark or text changed while the popup is open: show the change in it.
  if (g_loop.window == window && g_loop.mode == Mode::PopupOpen &&
      g_loop.painted_generation != MenuGeneration()) {
    RenderOverlay(window);
    RequestPresent(window);
  }
}

namespace {

// SC_KEYMENU for a menu that is not open yet (a program's own WM_SYSCOMMAND, as
// Alt+letter sends on Windows): lParam is the mnemonic's character, or 0 to
// select the bar. False when that opens nothing.
bool OpenForKeyMenu(HWND window, LPARAM character) {
  opening_for_command = true;
  if (character == 0) {
    SelectBar(window);
  } else {
    const int c = std::toupper(static_cast<unsigned char>(character & 0xFF));
    OpenBarItem(window, BarMnemonicIndex(window, c), true);
  }
  opening_for_command = false;
  return g_loop.window == window && g_loop.mode != Mode::Closed;
}

// A key message taken from the queue inside the loop goes to the menu, as the
// keys of the host do.
bool GiveKeyToMenu(HWND window, const MSG& m) {
  if (m.hwnd != window) return false;
  NativeEvent ev;
  switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      ev.kind = NativeEvent::KeyDown;
      ev.repeat = (m.lParam & (LPARAM(1) << 30)) != 0;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      ev.kind = NativeEvent::KeyUp;
      break;
    case WM_CHAR:
    case WM_SYSCHAR:
      return true;  // the menu works from the keys themselves
    default:
      return false;
  }
  ev.window = 0;
  ev.vk = int(m.wParam & 0xFF);
  HandleKey(window, ev);
  return true;
}

}  // namespace

void MenuModalLoop(HWND window, WPARAM command, LPARAM lparam) {
  if (g_loop.modal) return;
  const bool open_now = g_loop.window == window && g_loop.mode != Mode::Closed;
  if (!open_now) {
    if ((command & 0xFFF0) != kScKeyMenu || lparam == ' ') return;
    if (!OpenForKeyMenu(window, lparam)) return;
  }
  Menu* bar = BarMenu(window);
  if (!bar) return;
  Window* w = LookupWindow(window);
  if (!w) return;
  g_loop.modal = true;
  g_loop.has_chosen = false;
  user::Send(*w, WM_ENTERMENULOOP, 0, 0);
  if ((w = LookupWindow(window))) user::Send(*w, WM_INITMENU, WPARAM(bar->handle), 0);
  if (Menu* popup = OpenPopupMenu(window); popup && (w = LookupWindow(window)))
    user::Send(*w, WM_INITMENUPOPUP, WPARAM(popup->handle), LPARAM(g_loop.bar));
  auto open = [window] { return g_loop.window == window && g_loop.mode != Mode::Closed; };
  // Windows' menu loop: the menu takes the keys and clicks (the host's before
  // they reach the queue, queued keys as it finds them); everything else is
  // dispatched as usual, timers and paints among them. The caller's own loop
  // waits meanwhile.
  while (open() && LookupWindow(window)) {
    MSG m;
    if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        // The quit ends the menu and stays for the caller's loop.
        PostQuitMessage(int(m.wParam));
        CloseMenu();
        break;
      }
      if (GiveKeyToMenu(window, m)) continue;
      TranslateMessage(&m);
      DispatchMessageA(&m);
      continue;
    }
    if (!open()) break;
    CurrentHost().WaitEvent(user::NextTimerDue());
  }
  g_loop.modal = false;
  if (open()) CloseMenu();  // the window went away under the menu
  if (Window* again = LookupWindow(window)) {
    user::Send(*again, WM_EXITMENULOOP, 0, 0);
    if (g_loop.has_chosen && LookupWindow(window))
      PostMessageA(window, WM_COMMAND, WPARAM(g_loop.chosen & 0xFFFF), 0);
  }
  g_loop.has_chosen = false;
}

bool MenuHandleEvent(HWND window, const NativeEvent& ev, int client_top) {
  if (!BarMenu(window)) {
    if (g_loop.window == window) CloseMenu();
    return false;
  }
  // The menu of another window, or of a window that is gone, closes first.
  if (g_loop.window && g_loop.window != window) {
    if (LookupWindow(g_loop.window) && ev.kind != NativeEvent::MouseMove) CloseMenu();
    if (!LookupWindow(g_loop.window)) g_loop = MenuLoop{};
  }
  if (g_loop.mode == Mode::PopupOpen && g_loop.painted_generation != MenuGeneration())
    Refresh(window);

  switch (ev.kind) {
    case NativeEvent::KeyDown:
    case NativeEvent::KeyUp:
      return HandleKey(window, ev);
    case NativeEvent::MouseDown:
    case NativeEvent::MouseUp:
    case NativeEvent::MouseMove:
      if (g_loop.window && g_loop.window != window) return false;
      return HandleMouse(window, ev, client_top);
    case NativeEvent::FocusLost:
    case NativeEvent::Close:
      g_loop.alt_down = g_loop.alt_alone = false;
      if (g_loop.window == window) CloseMenu();
      return false;
    default:
      return false;
  }
}

}  // namespace platform
