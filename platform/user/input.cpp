// Input shared by all hosts: native key and mouse events become WM_KEYDOWN,
// WM_LBUTTONDOWN ... in the input queue; TranslateMessage makes characters in
// the ANSI code page (Windows-1252) with the US layout.
#include "../host/host.h"
#include "user_state.h"

namespace platform::user {

namespace {

constexpr int kVkPacket = 0xE7;

// Keys as the host reports them, at the time of the event (lParam's previous
// state and context bits); GetKeyState follows the messages as they are retrieved.
BYTE physical[256] = {};

int GenericVk(int vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
      return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
      return VK_MENU;
    default:
      return vk;
  }
}

bool Extended(int native_vk) {
  switch (native_vk) {
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_DIVIDE:
      return true;
    default:
      return false;
  }
}

// Set-1 scan codes of the US keyboard, as Windows reports them in lParam.
int ScanCode(int vk) {
  static const char* const kRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  static const int kRowStart[] = {0x10, 0x1E, 0x2C};
  if (vk >= 'A' && vk <= 'Z') {
    for (int r = 0; r < 3; ++r)
      for (int i = 0; kRows[r][i]; ++i)
        if (kRows[r][i] == vk) return kRowStart[r] + i;
  }
  if (vk >= '1' && vk <= '9') return 0x02 + (vk - '1');
  if (vk >= VK_F1 && vk <= VK_F10) return 0x3B + (vk - VK_F1);
  static const int kNumpad[] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return kNumpad[vk - VK_NUMPAD0];
  switch (vk) {
    case '0':
      return 0x0B;
    case VK_ESCAPE:
      return 0x01;
    case VK_OEM_MINUS:
      return 0x0C;
    case VK_OEM_PLUS:
      return 0x0D;
    case VK_BACK:
      return 0x0E;
    case VK_TAB:
      return 0x0F;
    case VK_OEM_4:
      return 0x1A;
    case VK_OEM_6:
      return 0x1B;
    case VK_RETURN:
      return 0x1C;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL:
      return 0x1D;
    case VK_OEM_1:
      return 0x27;
    case VK_OEM_7:
      return 0x28;
    case VK_OEM_3:
      return 0x29;
    case VK_SHIFT:
    case VK_LSHIFT:
      return 0x2A;
    case VK_OEM_5:
      return 0x2B;
    case VK_OEM_COMMA:
      return 0x33;
    case VK_OEM_PERIOD:
      return 0x34;
    case VK_OEM_2:
    case VK_DIVIDE:
      return 0x35;
    case VK_RSHIFT:
      return 0x36;
    case VK_MULTIPLY:
      return 0x37;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
      return 0x38;
    case VK_SPACE:
      return 0x39;
    case VK_CAPITAL:
      return 0x3A;
    case VK_PAUSE:
      return 0x45;
    case VK_HOME:
      return 0x47;
    case VK_UP:
      return 0x48;
    case VK_PRIOR:
      return 0x49;
    case VK_SUBTRACT:
      return 0x4A;
    case VK_LEFT:
      return 0x4B;
    case VK_RIGHT:
      return 0x4D;
    case VK_ADD:
      return 0x4E;
    case VK_END:
      return 0x4F;
    case VK_DOWN:
      return 0x50;
    case VK_NEXT:
      return 0x51;
    case VK_INSERT:
      return 0x52;
    case VK_DELETE:
      return 0x53;
    case VK_DECIMAL:
      return 0x53;
    case VK_F11:
      return 0x57;
    case VK_F12:
      return 0x58;
    default:
      return 0;
  }
}

bool Down(int vk) { return (physical[vk] & 0x80) != 0; }

WPARAM MouseKeys() {
  WPARAM k = 0;
  if (Down(VK_LBUTTON)) k |= MK_LBUTTON;
  if (Down(0x02)) k |= MK_RBUTTON;
  if (Down(VK_SHIFT)) k |= MK_SHIFT;
  if (Down(VK_CONTROL)) k |= MK_CONTROL;
  return k;
}

void PushInput(HWND h, UINT message, WPARAM wp, LPARAM lp) {
  S().input.push_back(MakeMessage(h, message, wp, lp));
}

void PostKey(Window& w, int native_vk, bool down) {
  int vk = GenericVk(native_vk) & 0xFF;
  bool was_down = Down(vk);
  if (down)
    physical[vk] |= 0x80;
  else
    physical[vk] &= BYTE(~0x80);
  if (vk != native_vk && native_vk < 256) {
    if (down)
      physical[native_vk] |= 0x80;
    else
      physical[native_vk] &= BYTE(~0x80);
  }
  bool alt = Down(VK_MENU);
  bool sys = vk == VK_MENU || vk == VK_F10 || (alt && !Down(VK_CONTROL));
  UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  uint32_t lp = 1u | (uint32_t(ScanCode(native_vk)) << 16);
  if (Extended(native_vk)) lp |= 1u << 24;
  if (alt && vk != VK_MENU) lp |= 1u << 29;
  if (!down || was_down) lp |= 1u << 30;
  if (!down) lp |= 1u << 31;
  PushInput(w.handle, message, WPARAM(vk), LPARAM(int32_t(lp)));
}

void PostMouse(Window& w, const NativeEvent& ev, int menu_h) {
  int cx = ev.x, cy = ev.y - menu_h;
  LPARAM lp = MAKELPARAM(cx, cy);
  switch (ev.kind) {
    case NativeEvent::MouseDown:
      if (ev.button == 1) {
        physical[VK_LBUTTON] |= 0x80;
        if (cy >= 0) PushInput(w.handle, WM_LBUTTONDOWN, MouseKeys(), lp);
      } else if (ev.button == 2) {
        physical[0x02] |= 0x80;
        if (cy >= 0) PushInput(w.handle, WM_RBUTTONDOWN, MouseKeys(), lp);
      }
      break;
    case NativeEvent::MouseUp:
      if (ev.button == 1) {
        physical[VK_LBUTTON] &= BYTE(~0x80);
        if (cy >= 0) PushInput(w.handle, WM_LBUTTONUP, MouseKeys(), lp);
      } else if (ev.button == 2) {
        physical[0x02] &= BYTE(~0x80);
        if (cy >= 0) PushInput(w.handle, WM_RBUTTONUP, MouseKeys(), lp);
      }
      break;
    case NativeEvent::MouseMove: {
      if (cy < 0) break;
      // Moves merge: only the latest position waits in the queue.
      auto& in = S().input;
      if (!in.empty() && in.back().message == WM_MOUSEMOVE && in.back().hwnd == w.handle) {
        in.back().wParam = MouseKeys();
        in.back().lParam = lp;
        in.back().time = MessageTime();
      } else {
        PushInput(w.handle, WM_MOUSEMOVE, MouseKeys(), lp);
      }
      break;
    }
    default:
      break;
  }
}

Window* ByNative(NativeId id) {
  if (!id) return nullptr;
  for (auto& [key, w] : S().windows)
    if (w->native == id && !w->destroying) return w.get();
  return nullptr;
}

void Translate(Window* w, const NativeEvent& ev) {
  bool key = ev.kind == NativeEvent::KeyDown || ev.kind == NativeEvent::KeyUp;
  if (key && !w) w = LookupWindow(FocusWindow());
  if (!w) return;
  HWND h = w->handle;
  int menu_h = MenuBarHeight(*w);
  bool offered = key || ev.kind == NativeEvent::MouseDown || ev.kind == NativeEvent::MouseUp ||
                 ev.kind == NativeEvent::MouseMove;
  if (offered && w->menu && MenuHandleEvent(h, ev, menu_h)) return;
  if (!(w = LookupWindow(h))) return;
  switch (ev.kind) {
    case NativeEvent::KeyDown:
      if (ev.vk == 0 && ev.ch > 0 && ev.ch <= 0xFFFF) {
        PushInput(h, WM_KEYDOWN, MAKEWPARAM(kVkPacket, ev.ch), 1);
      } else if (ev.vk > 0 && ev.vk < 256) {
        PostKey(*w, ev.vk, true);
      }
      break;
    case NativeEvent::KeyUp:
      if (ev.vk > 0 && ev.vk < 256) PostKey(*w, ev.vk, false);
      break;
    case NativeEvent::MouseDown:
      if (FocusWindow() != h && w->visible) {
        // A click activates the window it lands in.
        ShowWindow(h, SW_SHOW);
        if (!(w = LookupWindow(h))) return;
      }
      PostMouse(*w, ev, menu_h);
      break;
    case NativeEvent::MouseUp:
    case NativeEvent::MouseMove:
      PostMouse(*w, ev, menu_h);
      break;
    case NativeEvent::Close:
      PostMessageA(h, WM_CLOSE, 0, 0);
      break;
    case NativeEvent::Resized:
      MoveWindowTo(*w, w->rect.left, w->rect.top, ev.width, ev.height, true, false);
      break;
    case NativeEvent::Exposed:
      w->present_forced = true;
      break;
    case NativeEvent::FrameChanged:
      FrameChanged(*w);
      break;
    default:
      break;
  }
}

// Unicode to Windows-1252; '?' for what it cannot show.
int ToAnsi(int u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
  static const int kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] && kHigh[i] == u) return 0x80 + i;
  return '?';
}

// The character a key gives on the US layout, or -1 for none.
int KeyChar(int vk, bool shift, bool ctrl, bool alt, bool caps) {
  if (ctrl && alt) return -1;
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return vk - 'A' + 1;
    return (shift != caps) ? vk : vk + ('a' - 'A');
  }
  if (vk >= '0' && vk <= '9') {
    if (ctrl) return -1;
    static const char kShifted[] = ")!@#$%^&*(";
    return shift ? kShifted[vk - '0'] : vk;
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return ctrl ? -1 : '0' + (vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE:
      return ' ';
    case VK_BACK:
      return ctrl ? 0x7F : 0x08;
    case VK_TAB:
      return ctrl ? -1 : 0x09;
    case VK_RETURN:
      return ctrl ? 0x0A : 0x0D;
    case VK_ESCAPE:
      return 0x1B;
    case VK_MULTIPLY:
      return ctrl ? -1 : '*';
    case VK_ADD:
      return ctrl ? -1 : '+';
    case VK_SUBTRACT:
      return ctrl ? -1 : '-';
    case VK_DECIMAL:
      return ctrl ? -1 : '.';
    case VK_DIVIDE:
      return ctrl ? -1 : '/';
    default:
      break;
  }
  struct Oem {
    int vk;
    char plain, shifted;
    int control;
  };
  static const Oem kOem[] = {
      {VK_OEM_1, ';', ':', -1},     {VK_OEM_PLUS, '=', '+', -1},   {VK_OEM_COMMA, ',', '<', -1},
      {VK_OEM_MINUS, '-', '_', -1}, {VK_OEM_PERIOD, '.', '>', -1}, {VK_OEM_2, '/', '?', -1},
      {VK_OEM_3, '`', '~', -1},     {VK_OEM_4, '[', '{', 0x1B},    {VK_OEM_5, '\\', '|', 0x1C},
      {VK_OEM_6, ']', '}', 0x1D},   {VK_OEM_7, '\'', '"', -1},
  };
  for (const Oem& o : kOem)
    if (o.vk == vk) return ctrl ? o.control : (shift ? o.shifted : o.plain);
  return -1;
}

}  // namespace

void PumpHost() {
  Host& host = CurrentHost();
  NativeEvent ev;
  while (host.PollEvent(&ev)) Translate(ByNative(ev.window), ev);
}

void NoteKeyMessage(const MSG& m) {
  auto& keys = S().keys;
  int vk = int(m.wParam & 0xFF);
  switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if ((m.wParam & 0xFFFF) == WPARAM(kVkPacket)) break;
      if (!(keys[vk] & 0x80)) keys[vk] ^= 0x01;  // toggled on each press
      keys[vk] |= 0x80;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      keys[vk] &= BYTE(~0x80);
      break;
    case WM_LBUTTONDOWN:
      keys[VK_LBUTTON] |= 0x80;
      break;
    case WM_LBUTTONUP:
      keys[VK_LBUTTON] &= BYTE(~0x80);
      break;
    default:
      break;
  }
}

}  // namespace platform::user

namespace platform {

using namespace platform::user;

void InjectEvent(const NativeEvent& ev) { Translate(ByNative(ev.window), ev); }

void InjectKey(HWND hwnd, int vk, bool down) {
  NativeEvent ev;
  ev.kind = down ? NativeEvent::KeyDown : NativeEvent::KeyUp;
  ev.vk = vk;
  if (Window* w = LookupWindow(hwnd)) {
    ev.window = w->native;
    Translate(w, ev);
  }
}

void InjectClick(HWND hwnd, int x, int y) {
  Window* w = LookupWindow(hwnd);
  if (!w) return;
  NativeEvent ev;
  ev.window = w->native;
  ev.button = 1;
  ev.x = x;
  ev.y = y + MenuBarHeight(*w);
  ev.kind = NativeEvent::MouseDown;
  Translate(w, ev);
  if (!(w = LookupWindow(hwnd))) return;
  ev.kind = NativeEvent::MouseUp;
  Translate(w, ev);
}

}  // namespace platform

using namespace platform;
using namespace platform::user;

extern "C" {

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  if (!lpMsg) return FALSE;
  UINT m = lpMsg->message;
  if (m == WM_KEYUP || m == WM_SYSKEYUP) return TRUE;
  if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN) return FALSE;
  int vk = int(lpMsg->wParam & 0xFFFF);
  int ch;
  if (vk == kVkPacket) {
    ch = ToAnsi(int((lpMsg->wParam >> 16) & 0xFFFF));
  } else {
    bool shift = GetKeyState(VK_SHIFT) < 0;
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    bool alt = GetKeyState(VK_MENU) < 0;
    bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    ch = KeyChar(vk, shift, ctrl, alt && m == WM_KEYDOWN, caps);
  }
  if (ch < 0) return TRUE;
  MSG out = *lpMsg;
  out.message = m == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  out.wParam = WPARAM(ch);
  out.time = MessageTime();
  S().posted.push_back(out);
  return TRUE;
}

}  // extern "C"
