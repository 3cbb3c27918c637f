// Windows: creation and destruction messages, metrics and client areas, showing,
// moving, erasing, and what the host is shown.
#include "user_fixture.h"

using namespace usertest;

namespace {

TEST_F(UserTest, CreationSendsCreateAndTheFirstShowSendsSize) {
  RegisterRecording("Rec");
  HWND h = MakeWindow("Rec", 300, 200);
  ASSERT_NE(h, nullptr);
  std::vector<UINT> expected = {WM_NCCREATE, WM_CREATE};
  EXPECT_EQ(Messages(), expected);
  EXPECT_FALSE(IsWindowVisible(h));
  ShowWindow(h, SW_SHOW);
  int size = IndexOf(WM_SIZE);
  ASSERT_GT(size, IndexOf(WM_CREATE));
  EXPECT_GT(size, IndexOf(WM_SHOWWINDOW));
  // WM_SIZE carries the client size, SIZE_RESTORED.
  EXPECT_EQ(Log()[size].wparam, WPARAM(SIZE_RESTORED));
  EXPECT_EQ(LOWORD(Log()[size].lparam), 300);
  EXPECT_EQ(HIWORD(Log()[size].lparam), 200);
  // Only the first show does.
  ShowWindow(h, SW_HIDE);
  Log().clear();
  ShowWindow(h, SW_SHOW);
  EXPECT_EQ(CountOf(WM_SIZE), 0);
}

LRESULT CALLBACK RefusingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CREATE) return -1;
  return DefWindowProcA(h, m, w, l);
}

TEST_F(UserTest, CreateRefusedByProcedureGivesNoWindow) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RefusingProc;
  wc.lpszClassName = "Refuse";
  ASSERT_NE(RegisterClassA(&wc), 0);
  EXPECT_EQ(MakeWindow("Refuse"), nullptr);
  EXPECT_EQ(MakeWindow("NoSuchClass"), nullptr);
}

TEST_F(UserTest, RegisterClassTwiceFailsWhateverTheCase) {
  RegisterRecording("Twice");
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "twice";
  EXPECT_EQ(RegisterClassA(&wc), 0);
  wc.lpszClassName = "Other";
  EXPECT_NE(RegisterClassA(&wc), 0);
}

TEST_F(UserTest, DestroySendsDestroyThenNcDestroyAndInvalidatesTheHandle) {
  RegisterRecording("Rec");
  HWND h = MakeWindow("Rec");
  ASSERT_TRUE(SetTimer(h, 7, 50, nullptr));
  Log().clear();
  EXPECT_TRUE(DestroyWindow(h));
  std::vector<UINT> expected = {WM_DESTROY, WM_NCDESTROY};
  EXPECT_EQ(Messages(), expected);
  EXPECT_FALSE(IsWindow(h));
  // Everything that takes the handle now refuses it.
  EXPECT_FALSE(DestroyWindow(h));
  EXPECT_FALSE(ShowWindow(h, SW_SHOW));
  EXPECT_FALSE(KillTimer(h, 7));
  EXPECT_EQ(SetTimer(h, 7, 50, nullptr), 0u);
  RECT r = {1, 2, 3, 4};
  EXPECT_FALSE(GetClientRect(h, &r));
  EXPECT_FALSE(GetWindowRect(h, &r));
  EXPECT_FALSE(MoveWindow(h, 0, 0, 10, 10, TRUE));
  EXPECT_FALSE(InvalidateRect(h, nullptr, TRUE));
  EXPECT_FALSE(ValidateRect(h, nullptr));
  EXPECT_FALSE(GetUpdateRect(h, &r, FALSE));
  EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
  EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 0);
  EXPECT_FALSE(UpdateWindow(h));
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_EQ(GetDC(h), nullptr);
  PAINTSTRUCT ps;
  EXPECT_EQ(BeginPaint(h, &ps), nullptr);
  EXPECT_EQ(GetMenu(h), nullptr);
  EXPECT_FALSE(SetMenu(h, nullptr));
  EXPECT_FALSE(DrawMenuBar(h));
  EXPECT_EQ(platform::WindowSurface(h), nullptr);
  // Nothing of the window stays in the queue: no paint, no timer.
  HeadlessAdvance(host(), 1000);
  EXPECT_TRUE(Drain().empty());
}

TEST_F(UserTest, WrongKindAndNullHandlesAreRefused) {
  RegisterRecording("Rec");
  HWND h = MakeWindow("Rec");
  HMENU menu = CreateMenu();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  HGDIOBJ brush = CreateSolidBrush(RGB(1, 2, 3));
  for (HWND bad : {HWND(nullptr), reinterpret_cast<HWND>(menu), reinterpret_cast<HWND>(block),
                   reinterpret_cast<HWND>(brush), reinterpret_cast<HWND>(uintptr_t(h) + 1)}) {
    EXPECT_FALSE(IsWindow(bad));
    EXPECT_FALSE(DestroyWindow(bad));
    EXPECT_FALSE(ShowWindow(bad, SW_SHOW));
    RECT r;
    EXPECT_FALSE(GetClientRect(bad, &r));
    EXPECT_EQ(SetTimer(bad ? bad : reinterpret_cast<HWND>(menu), 1, 100, nullptr), 0u);
  }
  EXPECT_FALSE(SetMenu(h, reinterpret_cast<HMENU>(h)));
  EXPECT_FALSE(SetMenu(h, reinterpret_cast<HMENU>(brush)));
  EXPECT_TRUE(IsWindow(h));
  DeleteObject(brush);
  GlobalFree(block);
}

TEST_F(UserTest, MetricsLeaveFrameAndCaptionToTheDesktopAndKeepTheMenuBar) {
  EXPECT_EQ(GetSystemMetrics(SM_CXFIXEDFRAME), 0);
  EXPECT_EQ(GetSystemMetrics(SM_CYFIXEDFRAME), 0);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 0);
  EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 0);
  EXPECT_EQ(GetSystemMetrics(SM_CYFRAME), 0);
  EXPECT_GT(GetSystemMetrics(SM_CYMENU), 10);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  platform::HeadlessSetScreen(host(), 800, 600);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
}

LRESULT CALLBACK MenuOnCreateProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Log().push_back({h, m, w, l});
  if (m == WM_CREATE) {
    HMENU bar = CreateMenu();
    HMENU run = CreatePopupMenu();
    AppendMenuA(run, MF_STRING, 1, "&Animate\tCtrl+A");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), "&Run");
    SetMenu(h, bar);
    DrawMenuBar(h);
  }
  return DefWindowProcA(h, m, w, l);
}

TEST_F(UserTest, DrawingWindowWithMenuHasOuterSizeLessTheMenuBar) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MenuOnCreateProc;
  wc.lpszClassName = "Draw";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND h = MakeWindow("Draw", 601, 540, WS_CAPTION | WS_SYSMENU);
  ASSERT_NE(h, nullptr);
  const int menu = GetSystemMetrics(SM_CYMENU);
  RECT c, w;
  ASSERT_TRUE(GetClientRect(h, &c));
  ASSERT_TRUE(GetWindowRect(h, &w));
  EXPECT_EQ(c.left, 0);
  EXPECT_EQ(c.top, 0);
  EXPECT_EQ(c.right, 601);
  EXPECT_EQ(c.bottom, 540 - menu);
  EXPECT_EQ(w.left, 0);
  EXPECT_EQ(w.top, 0);
  EXPECT_EQ(w.right, 601);
  EXPECT_EQ(w.bottom, 540);
  // The WM_SIZE after creation already counts the menu set during WM_CREATE.
  int size_at = IndexOf(WM_SIZE);
  ASSERT_GE(size_at, 0);
  EXPECT_LT(IndexOf(WM_CREATE), size_at);
  EXPECT_EQ(HIWORD(Log()[size_at].lparam), 540 - menu);
  auto surface = platform::WindowSurface(h);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->width, 601);
  EXPECT_EQ(surface->height, 540 - menu);
}

TEST_F(UserTest, LogWindowPlacementIsKept) {
  RegisterRecording("Text");
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  HWND h = MakeWindow("Text", sw, sh / 3, WS_OVERLAPPEDWINDOW, 0, (2 * sh) / 3 + 1);
  RECT r;
  ASSERT_TRUE(GetWindowRect(h, &r));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 513);
  EXPECT_EQ(r.right, 1024);
  EXPECT_EQ(r.bottom, 769);
  RECT c;
  ASSERT_TRUE(GetClientRect(h, &c));
  EXPECT_EQ(c.right, 1024);
  EXPECT_EQ(c.bottom, 256);
}

TEST_F(UserTest, ShowWindowReportsPreviousVisibilityAndPaintsWhatBecomesVisible) {
  RegisterRecording("Rec");
  HWND h = MakeWindow("Rec");
  Log().clear();
  EXPECT_FALSE(ShowWindow(h, SW_SHOWDEFAULT));
  EXPECT_TRUE(IsWindowVisible(h));
  // WM_SHOWWINDOW first; the first show sends WM_SIZE again.
  EXPECT_EQ(IndexOf(WM_SHOWWINDOW), 0);
  EXPECT_EQ(Log()[0].wparam, WPARAM(TRUE));
  EXPECT_GT(IndexOf(WM_SIZE), 0);
  EXPECT_EQ(platform::FocusWindow(), h);
  EXPECT_TRUE(ShowWindow(h, SW_SHOW));
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_PAINT));
  EXPECT_EQ(m.hwnd, h);
  Drain();
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  Log().clear();
  EXPECT_TRUE(ShowWindow(h, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_EQ(CountOf(WM_SHOWWINDOW), 1);
  EXPECT_FALSE(ShowWindow(h, SW_HIDE));
  // Showing again repaints the whole client area.
  ShowWindow(h, SW_SHOW);
  RECT u;
  ASSERT_TRUE(GetUpdateRect(h, &u, FALSE));
  EXPECT_EQ(u.right, 200);
  EXPECT_EQ(u.bottom, 100);
}

TEST_F(UserTest, MoveWindowSendsSizeOnlyWhenTheSizeChangesAndRedrawsWholeWithRedrawStyles) {
  RegisterRecording("Redraw");
  RegisterRecording("Plain", RGB(255, 255, 255), 0);
  HWND a = MakeWindow("Redraw", 100, 100);
  HWND b = MakeWindow("Plain", 100, 100);
  ShowWindow(a, SW_SHOW);
  ShowWindow(b, SW_SHOW);
  Drain();
  Log().clear();
  EXPECT_TRUE(MoveWindow(a, 10, 20, 100, 100, TRUE));
  EXPECT_EQ(CountOf(WM_SIZE), 0);
  EXPECT_EQ(CountOf(WM_MOVE), 1);
  RECT u;
  EXPECT_FALSE(GetUpdateRect(a, &u, FALSE));
  EXPECT_TRUE(MoveWindow(a, 10, 20, 150, 120, TRUE));
  ASSERT_EQ(CountOf(WM_SIZE), 1);
  EXPECT_EQ(Log().back().lparam, MAKELPARAM(150, 120));
  ASSERT_TRUE(GetUpdateRect(a, &u, FALSE));
  EXPECT_EQ(u.left, 0);
  EXPECT_EQ(u.top, 0);
  EXPECT_EQ(u.right, 150);
  EXPECT_EQ(u.bottom, 120);
  // Without CS_HREDRAW|CS_VREDRAW only the new strips are invalid.
  EXPECT_TRUE(MoveWindow(b, 0, 0, 150, 100, TRUE));
  ASSERT_TRUE(GetUpdateRect(b, &u, FALSE));
  EXPECT_EQ(u.left, 100);
  EXPECT_EQ(u.right, 150);
  RECT w;
  GetWindowRect(a, &w);
  EXPECT_EQ(w.left, 10);
  EXPECT_EQ(w.top, 20);
  EXPECT_EQ(w.right, 160);
  EXPECT_EQ(w.bottom, 140);
  EXPECT_EQ(platform::WindowSurface(a)->width, 150);
}

TEST_F(UserTest, CloseByDefaultDestroysTheWindow) {
  RegisterRecording("Rec");
  HWND h = MakeWindow("Rec");
  ShowWindow(h, SW_SHOW);
  platform::NativeEvent close;
  close.kind = platform::NativeEvent::Close;
  close.window = platform::LookupWindow(h)->native;
  platform::HeadlessPush(host(), close);
  Log().clear();
  Drain();
  EXPECT_GE(IndexOf(WM_CLOSE), 0);
  EXPECT_GT(IndexOf(WM_DESTROY), IndexOf(WM_CLOSE));
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(UserTest, BeginPaintErasesTheInvalidPartWithTheClassBrush) {
  RegisterRecording("Green", RGB(0, 200, 0));
  HWND h = MakeWindow("Green", 50, 40);
  auto surface = platform::WindowSurface(h);
  std::fill(surface->pixels.begin(), surface->pixels.end(), 0x123456u);
  ShowWindow(h, SW_SHOW);
  ValidateRect(h, nullptr);
  RECT part = {10, 5, 20, 15};
  InvalidateRect(h, &part, TRUE);
  Log().clear();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(CountOf(WM_ERASEBKGND), 1);
  EXPECT_FALSE(ps.fErase);  // erased by the default procedure
  EXPECT_EQ(ps.rcPaint.left, 10);
  EXPECT_EQ(ps.rcPaint.bottom, 15);
  EXPECT_EQ(surface->pixels[size_t(10) * 50 + 15], 0x00C800u);
  EXPECT_EQ(surface->pixels[size_t(5) * 50 + 10], 0x00C800u);
  EXPECT_EQ(surface->pixels[size_t(15) * 50 + 20], 0x123456u);
  EXPECT_EQ(surface->pixels[0], 0x123456u);
  EXPECT_TRUE(EndPaint(h, &ps));
  RECT u;
  EXPECT_FALSE(GetUpdateRect(h, &u, FALSE));
  // Invalidating without erase does not erase.
  InvalidateRect(h, nullptr, FALSE);
  Log().clear();
  dc = BeginPaint(h, &ps);
  EXPECT_EQ(CountOf(WM_ERASEBKGND), 0);
  EXPECT_EQ(surface->pixels[0], 0x123456u);
  EndPaint(h, &ps);
}

TEST_F(UserTest, PresentComposesMenuBarAboveTheClientArea) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MenuOnCreateProc;
  wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 255));
  wc.lpszClassName = "Draw";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND h = MakeWindow("Draw", 120, 80, WS_CAPTION | WS_SYSMENU);
  ShowWindow(h, SW_SHOW);
  Drain();  // paints: erases with blue, presents
  platform::Window* w = platform::LookupWindow(h);
  const platform::Surface* frame = platform::HeadlessLastFrame(host(), w->native);
  ASSERT_NE(frame, nullptr);
  int menu = GetSystemMetrics(SM_CYMENU);
  EXPECT_EQ(frame->width, 120);
  EXPECT_EQ(frame->height, 80);
  EXPECT_EQ(frame->pixels[size_t(menu) * 120], 0x0000FFu);
  EXPECT_EQ(frame->pixels[size_t(79) * 120 + 119], 0x0000FFu);
  // The bar is what PaintMenuBar drew.
  platform::Surface bar(120, menu, 0x777777);
  platform::PaintMenuBar(h, bar);
  for (int y = 0; y < menu; ++y)
    for (int x = 0; x < 120; ++x)
      ASSERT_EQ(frame->pixels[size_t(y) * 120 + size_t(x)], bar.pixels[size_t(y) * 120 + size_t(x)])
          << x << "," << y;
  // A change to the client surface is presented on the next pass, nothing else is.
  uint64_t before = frame->version;
  MSG m;
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(platform::HeadlessLastFrame(host(), w->native)->version, before);
  HDC dc = GetDC(h);
  SetPixel(dc, 3, 4, RGB(255, 0, 0));
  ReleaseDC(h, dc);
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
  frame = platform::HeadlessLastFrame(host(), w->native);
  EXPECT_NE(frame->version, before);
  EXPECT_EQ(frame->pixels[size_t(menu + 4) * 120 + 3], 0xFF0000u);
}

TEST_F(UserTest, HiddenWindowsAreNotPresented) {
  RegisterRecording("Rec");
  HWND h = MakeWindow("Rec");
  MSG m;
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(platform::HeadlessLastFrame(host(), platform::LookupWindow(h)->native), nullptr);
  EXPECT_FALSE(platform::HeadlessNativeVisible(host(), platform::LookupWindow(h)->native));
  ShowWindow(h, SW_SHOW);
  EXPECT_TRUE(platform::HeadlessNativeVisible(host(), platform::LookupWindow(h)->native));
}

TEST_F(UserTest, StockIconAndCursorAreDistinctNonNullHandles) {
  HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  HCURSOR cursor = LoadCursorA(nullptr, IDC_ARROW);
  EXPECT_NE(icon, nullptr);
  EXPECT_NE(cursor, nullptr);
  EXPECT_NE(reinterpret_cast<void*>(icon), reinterpret_cast<void*>(cursor));
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(icon)));
  EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(5)), nullptr);
}

}  // namespace
