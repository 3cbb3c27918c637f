// The message queue through the Win32 API alone: WM_QUIT, posted messages,
// WM_PAINT, timers, character translation and menus. Waits are real and short.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

namespace {

LRESULT CALLBACK Plain(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

HWND MakeWindow(const char* cls) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = Plain;
  wc.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
  wc.lpszClassName = cls;
  RegisterClassA(&wc);
  HWND h =
      CreateWindowExA(0, cls, "queue", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, NULL, NULL, NULL, NULL);
  ShowWindow(h, SW_SHOW);
  MSG m;
  for (int i = 0; i < 500 && PeekMessageA(&m, NULL, 0, 0, PM_REMOVE); ++i) DispatchMessageA(&m);
  return h;
}

TEST(Win32Queue, QuitComesOnlyWhenNothingIsPostedAndCarriesTheExitCode) {
  HWND h = MakeWindow("Win32QuitClass");
  PostQuitMessage(7);
  ASSERT_TRUE(PostMessageA(h, WM_USER + 1, 1, 2));
  ASSERT_TRUE(PostMessageA(NULL, WM_USER + 2, 3, 4));
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, (UINT)(WM_USER + 1));
  EXPECT_EQ(m.hwnd, h);
  EXPECT_EQ(m.wParam, (WPARAM)1);
  EXPECT_EQ(m.lParam, (LPARAM)2);
  ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, (UINT)(WM_USER + 2));
  EXPECT_EQ(m.hwnd, (HWND)NULL);
  ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, (UINT)WM_QUIT);
  EXPECT_EQ(m.wParam, (WPARAM)7);
  EXPECT_FALSE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
  DestroyWindow(h);
}

TEST(Win32Queue, PaintAfterInvalidationAndNotAgainAfterEndPaint) {
  HWND h = MakeWindow("Win32PaintQueueClass");
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, NULL, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  InvalidateRect(h, NULL, FALSE);
  // PM_REMOVE does not remove WM_PAINT: only validation does.
  ASSERT_TRUE(PeekMessageA(&m, NULL, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_EQ(m.hwnd, h);
  ASSERT_TRUE(PeekMessageA(&m, NULL, WM_PAINT, WM_PAINT, PM_REMOVE));
  PAINTSTRUCT ps;
  ASSERT_NE(BeginPaint(h, &ps), (HDC)NULL);
  EndPaint(h, &ps);
  EXPECT_FALSE(PeekMessageA(&m, NULL, WM_PAINT, WM_PAINT, PM_REMOVE));
  DestroyWindow(h);
}

TEST(Win32Queue, TimerPeriodsMissedMergeIntoOneMessage) {
  HWND h = MakeWindow("Win32TimerClass");
  ASSERT_EQ(SetTimer(h, 2, 20, NULL), (UINT_PTR)2);
  Sleep(150);  // several periods
  MSG m;
  int timers = 0;
  while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
    if (m.message == WM_TIMER) {
      ++timers;
      EXPECT_EQ(m.hwnd, h);
      EXPECT_EQ(m.wParam, (WPARAM)2);
    }
    DispatchMessageA(&m);
  }
  EXPECT_EQ(timers, 1);
  // Looking without removing does not queue a second one.
  Sleep(50);
  ASSERT_TRUE(PeekMessageA(&m, NULL, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&m, NULL, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&m, NULL, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_TRUE(KillTimer(h, 2));
  EXPECT_FALSE(KillTimer(h, 2));
  Sleep(50);
  EXPECT_FALSE(PeekMessageA(&m, NULL, WM_TIMER, WM_TIMER, PM_REMOVE));
  DestroyWindow(h);
}

TEST(Win32Queue, WaitMessageReturnsForTheTimer) {
  HWND h = MakeWindow("Win32WaitClass");
  SetTimer(h, 1, 30, NULL);
  DWORD start = GetTickCount();
  MSG m;
  int timers = 0;
  while (timers < 3 && GetTickCount() - start < 2000) {
    while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
      if (m.message == WM_TIMER) ++timers;
      DispatchMessageA(&m);
    }
    if (timers < 3) WaitMessage();
  }
  EXPECT_EQ(timers, 3);
  EXPECT_GE(GetTickCount() - start, 60u);
  KillTimer(h, 1);
  DestroyWindow(h);
}

TEST(Win32Queue, TranslateMessagePostsCharactersForLetters) {
  HWND h = MakeWindow("Win32CharClass");
  MSG key = {};
  key.hwnd = h;
  key.message = WM_KEYDOWN;
  key.wParam = 'G';
  key.lParam = 1 | (0x22 << 16);  // scan code of G
  EXPECT_TRUE(TranslateMessage(&key));
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, NULL, WM_CHAR, WM_CHAR, PM_REMOVE));
  EXPECT_EQ(m.wParam, (WPARAM)'g');
  EXPECT_EQ(m.hwnd, h);
  EXPECT_EQ(m.lParam, key.lParam);
  key.wParam = VK_ESCAPE;
  key.lParam = 1 | (0x01 << 16);
  TranslateMessage(&key);
  ASSERT_TRUE(PeekMessageA(&m, NULL, WM_CHAR, WM_CHAR, PM_REMOVE));
  EXPECT_EQ(m.wParam, (WPARAM)0x1B);
  key.wParam = VK_F5;
  key.lParam = 1 | (0x3F << 16);
  TranslateMessage(&key);
  EXPECT_FALSE(PeekMessageA(&m, NULL, WM_CHAR, WM_CHAR, PM_REMOVE));
  DestroyWindow(h);
}

TEST(Win32Queue, MenuCheckMarksAndStates) {
  HMENU run = CreatePopupMenu();
  AppendMenuA(run, MF_STRING, 1, "&Animate\tCtrl+A");
  AppendMenuA(run, MF_SEPARATOR, 0, NULL);
  AppendMenuA(run, MF_STRING | MF_CHECKED, 4, "&Logging\tCtrl+L");
  AppendMenuA(run, MF_GRAYED, 9, "KX507 v2.2 July 1997");
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, (UINT_PTR)run, "&Run");
  EXPECT_EQ(CheckMenuItem(run, 4, MF_UNCHECKED), (DWORD)MF_CHECKED);
  EXPECT_EQ(CheckMenuItem(run, 4, MF_CHECKED), (DWORD)MF_UNCHECKED);
  EXPECT_EQ(CheckMenuItem(run, 77, MF_CHECKED), (DWORD)-1);
  EXPECT_EQ(CheckMenuItem(bar, 4, MF_UNCHECKED), (DWORD)MF_CHECKED);  // found in the popup
  EXPECT_EQ(GetMenuState(run, 4, MF_BYCOMMAND), (UINT)MF_UNCHECKED);
  EXPECT_EQ(GetMenuState(run, 9, MF_BYCOMMAND), (UINT)MF_GRAYED);
  EXPECT_EQ(GetMenuState(run, 77, MF_BYCOMMAND), (UINT)-1);
  EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), (UINT)((4 << 8) | MF_POPUP));
  EXPECT_EQ(GetMenuItemCount(run), 4);
  EXPECT_EQ(GetMenuItemID(bar, 0), (UINT)-1);
  EXPECT_EQ(GetSubMenu(bar, 0), run);
  char text[32];
  EXPECT_EQ(GetMenuStringA(run, 4, text, sizeof text, MF_BYCOMMAND), 15);
  EXPECT_EQ(strcmp(text, "&Logging\tCtrl+L"), 0);
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(DestroyMenu(bar));
}

TEST(Win32Queue, MovableBlocksHaveExactSizesAndLockCounts) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 13);
  ASSERT_NE(h, (HGLOBAL)NULL);
  EXPECT_EQ(GlobalSize(h), (SIZE_T)13);
  char* p = (char*)GlobalLock(h);
  ASSERT_NE(p, (char*)NULL);
  EXPECT_EQ(p[12], 0);
  strcpy(p, "twelve chars");
  EXPECT_EQ(GlobalLock(h), (LPVOID)p);
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 0u);
  EXPECT_EQ(strcmp((char*)GlobalLock(h), "twelve chars"), 0);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), (HGLOBAL)NULL);
  EXPECT_EQ(GlobalSize(NULL), (SIZE_T)0);
  EXPECT_EQ(GlobalLock(NULL), (LPVOID)NULL);
}

}  // namespace
