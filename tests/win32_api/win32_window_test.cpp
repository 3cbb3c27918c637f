// Windows as the runtime uses them, checked through the Win32 API alone: class
// registration, the messages of creation and destruction, sizes and placement,
// showing and painting.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

namespace {

struct Seen {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};
std::vector<Seen> seen;

int Index(UINT message) {
  for (size_t i = 0; i < seen.size(); ++i)
    if (seen[i].message == message) return (int)i;
  return -1;
}
int Count(UINT message) {
  int n = 0;
  for (const Seen& s : seen) n += s.message == message;
  return n;
}

bool menu_on_create = false;

LRESULT CALLBACK Recording(HWND h, UINT m, WPARAM w, LPARAM l) {
  seen.push_back({m, w, l});
  if (m == WM_CREATE && menu_on_create) {
    HMENU bar = CreateMenu();
    HMENU run = CreatePopupMenu();
    AppendMenuA(run, MF_STRING, 1, "&Animate\tCtrl+A");
    AppendMenuA(run, MF_SEPARATOR, 0, NULL);
    AppendMenuA(run, MF_STRING | MF_CHECKED, 4, "&Logging\tCtrl+L");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)run, "&Run");
    SetMenu(h, bar);
    DrawMenuBar(h);
  }
  return DefWindowProcA(h, m, w, l);
}

ATOM Register(const char* name, COLORREF background) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = Recording;
  wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
  wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
  wc.hbrBackground = CreateSolidBrush(background);
  wc.lpszMenuName = "generic";
  wc.lpszClassName = name;
  return RegisterClassA(&wc);
}

HWND Create(const char* cls, DWORD style, int x, int y, int w, int h) {
  return CreateWindowExA(0, cls, "Win32 test", style, x, y, w, h, NULL, NULL, NULL, NULL);
}

void Pump() {
  MSG m;
  for (int i = 0; i < 500 && PeekMessageA(&m, NULL, 0, 0, PM_REMOVE); ++i) {
    if (m.message == WM_QUIT) break;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

TEST(Win32Window, RegisteringAClassTwiceFails) {
  EXPECT_NE(Register("Win32TwiceClass", RGB(255, 255, 255)), 0);
  EXPECT_EQ(Register("Win32TwiceClass", RGB(255, 255, 255)), 0);
  EXPECT_NE(LoadIconA(NULL, IDI_APPLICATION), (HICON)NULL);
  EXPECT_NE(LoadCursorA(NULL, IDC_ARROW), (HCURSOR)NULL);
}

TEST(Win32Window, CreationSendsCreateBeforeSizeAndDestroyingSendsDestroy) {
  ASSERT_NE(Register("Win32OrderClass", RGB(255, 255, 255)), 0);
  seen.clear();
  HWND h = Create("Win32OrderClass", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200);
  ASSERT_NE(h, (HWND)NULL);
  // A hidden window learns its size at the latest when it is first shown.
  ShowWindow(h, SW_SHOW);
  int nccreate = Index(WM_NCCREATE), create = Index(WM_CREATE), size = Index(WM_SIZE);
  ASSERT_GE(nccreate, 0);
  ASSERT_GE(create, 0);
  ASSERT_GE(size, 0);
  EXPECT_LT(nccreate, create);
  EXPECT_LT(create, size);
  RECT c;
  ASSERT_TRUE(GetClientRect(h, &c));
  EXPECT_EQ(LOWORD(seen[size].lparam), c.right);
  EXPECT_EQ(HIWORD(seen[size].lparam), c.bottom);

  seen.clear();
  EXPECT_TRUE(DestroyWindow(h));
  int destroy = Index(WM_DESTROY), ncdestroy = Index(WM_NCDESTROY);
  ASSERT_GE(destroy, 0);
  EXPECT_GT(ncdestroy, destroy);
  EXPECT_EQ(Count(WM_DESTROY), 1);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(DestroyWindow(h));
  RECT r;
  EXPECT_FALSE(GetClientRect(h, &r));
  EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
  EXPECT_EQ(SetTimer(h, 1, 100, NULL), (UINT_PTR)0);
}

TEST(Win32Window, DrawingWindowClientAreaIsOuterSizeLessTheMetrics) {
  ASSERT_NE(Register("Win32DrawClass", RGB(255, 255, 255)), 0);
  menu_on_create = true;
  HWND h = Create("Win32DrawClass", WS_CAPTION | WS_SYSMENU, 0, 0, 601, 540);
  menu_on_create = false;
  ASSERT_NE(h, (HWND)NULL);
  ASSERT_NE(GetMenu(h), (HMENU)NULL);
  RECT c, w;
  ASSERT_TRUE(GetClientRect(h, &c));
  ASSERT_TRUE(GetWindowRect(h, &w));
  int fx = GetSystemMetrics(SM_CXFIXEDFRAME), fy = GetSystemMetrics(SM_CYFIXEDFRAME);
  EXPECT_EQ(c.left, 0);
  EXPECT_EQ(c.top, 0);
  EXPECT_EQ(c.right, 601 - 2 * fx);
  EXPECT_EQ(c.bottom, 540 - 2 * fy - GetSystemMetrics(SM_CYCAPTION) - GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(w.right - w.left, 601);
  EXPECT_EQ(w.bottom - w.top, 540);
  // The last WM_SIZE of creation already knows the menu bar.
  int last_size = -1;
  for (size_t i = 0; i < seen.size(); ++i)
    if (seen[i].message == WM_SIZE) last_size = (int)i;
  ASSERT_GE(last_size, 0);
  EXPECT_EQ(HIWORD(seen[last_size].lparam), c.bottom);
  DestroyWindow(h);
}

TEST(Win32Window, LogWindowPlacementIsWhatWasAsked) {
  ASSERT_NE(Register("Win32TextClass", RGB(255, 255, 255)), 0);
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_GT(sw, 0);
  ASSERT_GT(sh, 0);
  HWND h = Create("Win32TextClass", WS_OVERLAPPEDWINDOW, 0, (2 * sh) / 3 + 1, sw, sh / 3);
  ASSERT_NE(h, (HWND)NULL);
  RECT r;
  ASSERT_TRUE(GetWindowRect(h, &r));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, (2 * sh) / 3 + 1);
  EXPECT_EQ(r.right, sw);
  EXPECT_EQ(r.bottom, (2 * sh) / 3 + 1 + sh / 3);
  DestroyWindow(h);
}

TEST(Win32Window, ShowWindowReturnsPreviousVisibilityAndTheShownWindowIsPainted) {
  ASSERT_NE(Register("Win32ShowClass", RGB(255, 255, 255)), 0);
  HWND h = Create("Win32ShowClass", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150);
  seen.clear();
  EXPECT_FALSE(ShowWindow(h, SW_SHOWNORMAL));
  EXPECT_TRUE(IsWindowVisible(h));
  int show = Index(WM_SHOWWINDOW);
  ASSERT_GE(show, 0);
  EXPECT_EQ(seen[show].wparam, (WPARAM)TRUE);
  EXPECT_TRUE(ShowWindow(h, SW_SHOW));
  seen.clear();
  Pump();
  EXPECT_GE(Count(WM_PAINT), 1);
  seen.clear();
  Pump();
  EXPECT_EQ(Count(WM_PAINT), 0);  // validated by the default procedure
  EXPECT_TRUE(ShowWindow(h, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_FALSE(ShowWindow(h, SW_HIDE));
  DestroyWindow(h);
}

TEST(Win32Window, BeginPaintErasesWithTheClassBrushAndEndPaintValidates) {
  const COLORREF green = RGB(0, 160, 0);
  ASSERT_NE(Register("Win32PaintClass", green), 0);
  HWND h = Create("Win32PaintClass", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150);
  ShowWindow(h, SW_SHOW);
  Pump();
  HDC dc = GetDC(h);
  ASSERT_NE(dc, (HDC)NULL);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT all = {0, 0, 50, 50};
  FillRect(dc, &all, red);
  EXPECT_EQ(GetPixel(dc, 20, 20), RGB(255, 0, 0));
  ReleaseDC(h, dc);
  DeleteObject(red);

  RECT part = {10, 10, 30, 30};
  EXPECT_TRUE(InvalidateRect(h, &part, TRUE));
  RECT u;
  ASSERT_TRUE(GetUpdateRect(h, &u, FALSE));
  EXPECT_EQ(u.left, 10);
  EXPECT_EQ(u.bottom, 30);
  seen.clear();
  PAINTSTRUCT ps;
  HDC pdc = BeginPaint(h, &ps);
  ASSERT_NE(pdc, (HDC)NULL);
  EXPECT_EQ(Count(WM_ERASEBKGND), 1);
  EXPECT_FALSE(ps.fErase);
  EXPECT_EQ(ps.rcPaint.left, 10);
  EXPECT_EQ(ps.rcPaint.top, 10);
  EXPECT_EQ(ps.rcPaint.right, 30);
  EXPECT_EQ(ps.rcPaint.bottom, 30);
  EXPECT_EQ(GetPixel(pdc, 15, 15), green);
  EXPECT_TRUE(EndPaint(h, &ps));
  EXPECT_FALSE(GetUpdateRect(h, &u, FALSE));
  dc = GetDC(h);
  EXPECT_EQ(GetPixel(dc, 15, 15), green);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 0, 0));  // outside the invalid part
  ReleaseDC(h, dc);
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, h, WM_PAINT, WM_PAINT, PM_REMOVE));
  DestroyWindow(h);
}

TEST(Win32Window, CloseByDefaultDestroysTheWindow) {
  ASSERT_NE(Register("Win32CloseClass", RGB(255, 255, 255)), 0);
  HWND h = Create("Win32CloseClass", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
  seen.clear();
  SendMessageA(h, WM_CLOSE, 0, 0);
  EXPECT_EQ(Count(WM_DESTROY), 1);
  EXPECT_FALSE(IsWindow(h));
}

TEST(Win32Window, MoveWindowSendsSizeAndRedrawsTheWholeWindow) {
  ASSERT_NE(Register("Win32MoveClass", RGB(255, 255, 255)), 0);
  HWND h = Create("Win32MoveClass", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150);
  ShowWindow(h, SW_SHOW);
  Pump();
  seen.clear();
  EXPECT_TRUE(MoveWindow(h, 20, 30, 260, 180, TRUE));
  ASSERT_GE(Index(WM_SIZE), 0);
  RECT c;
  GetClientRect(h, &c);
  EXPECT_EQ(LOWORD(seen[Index(WM_SIZE)].lparam), c.right);
  RECT w;
  GetWindowRect(h, &w);
  EXPECT_EQ(w.left, 20);
  EXPECT_EQ(w.top, 30);
  EXPECT_EQ(w.right, 280);
  EXPECT_EQ(w.bottom, 210);
  seen.clear();
  Pump();
  EXPECT_EQ(Count(WM_PAINT), 1);
  DestroyWindow(h);
}

}  // namespace
