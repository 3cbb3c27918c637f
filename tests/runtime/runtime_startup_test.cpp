// Opening the runtime: the two windows, the Run menu, the origin, painting and closing.
#include "runtime_support.h"

namespace {

struct MenuRow {
  UINT id;
  UINT flags;  // what GetMenuState reports besides the check and gray bits asked for
  const char* text;
};

// Position by position, the Run menu as the user sees it.
const MenuRow kRunMenu[] = {
    {CommandAnimate, 0, "&Animate\tCtrl+A"},
    {CommandHalt, 0, "&Halt animation\tCtrl+H"},
    {CommandAdvanceFrame, 0, "Advance one &frame\tCtrl+F"},
    {0, MF_SEPARATOR, NULL},
    {CommandLogging, MF_CHECKED, "&Logging\tCtrl+L"},
    {0, MF_SEPARATOR, NULL},
    {CommandRecordScript, 0, "&Record Script\tCtrl+R"},
    {CommandPlaybackScript, 0, "&Playback Script\tCtrl+P"},
    {CommandPlayOneScript, 0, "Play &One Script\tCtrl+O"},
    {0, MF_SEPARATOR, NULL},
    {CommandQuit, 0, "&Quit\tCtrl+Q"},
    {0, MF_SEPARATOR, NULL},
    {CommandInfoLine, MF_GRAYED, "KX507 v2.2 July 1997"},
    {CommandInfoLine, MF_GRAYED, "MAC: "},
    {CommandInfoLine, MF_GRAYED, "WINDOWS: "},
    {CommandInfoLine, MF_GRAYED, "UPDATES: "},
};

TEST(RuntimeWindows, RunMenuFollowsItsTable) {
  OpenForTest(true);
  HMENU bar = GetMenu(draw_window);
  ASSERT_NE(bar, (HMENU)NULL);
  ASSERT_EQ(GetMenuItemCount(bar), 1);
  char text[256];
  ASSERT_GT(GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION), 0);
  EXPECT_STREQ(text, "&Run");
  EXPECT_NE(GetMenuState(bar, 0, MF_BYPOSITION) & MF_POPUP, 0u);
  ASSERT_EQ(GetSubMenu(bar, 0), run_menu);

  const int rows = (int)(sizeof kRunMenu / sizeof kRunMenu[0]);
  ASSERT_EQ(GetMenuItemCount(run_menu), rows);
  for (int position = 0; position < rows; ++position) {
    SCOPED_TRACE(position);
    const MenuRow& row = kRunMenu[position];
    UINT state = GetMenuState(run_menu, position, MF_BYPOSITION);
    if (row.flags == MF_SEPARATOR) {
      // Windows also reports separators as grayed; only the separator bit is ours.
      EXPECT_NE(state & MF_SEPARATOR, 0u);
      continue;
    }
    EXPECT_EQ(state & (MF_SEPARATOR | MF_CHECKED | MF_GRAYED), row.flags);
    EXPECT_EQ(GetMenuItemID(run_menu, position), row.id);
    text[0] = '\0';
    GetMenuStringA(run_menu, position, text, sizeof text, MF_BYPOSITION);
    if (row.id == CommandInfoLine && position > 12) {
      // A contact line: its prefix and then an address of the project.
      size_t prefix = strlen(row.text);
      EXPECT_EQ(strncmp(text, row.text, prefix), 0) << text;
      EXPECT_GT(strlen(text), prefix + 8) << text;
      EXPECT_NE(strstr(text, "example.org"), nullptr) << text;
    } else {
      EXPECT_STREQ(text, row.text);
    }
  }
  // Script items start unchecked; the logging item matches the flag.
  EXPECT_EQ(GetMenuState(run_menu, CommandRecordScript, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_EQ(GetMenuState(run_menu, CommandPlaybackScript, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_EQ(logging, 1);
}

TEST(RuntimeWindows, OriginIsTheCentreOfTheClientArea) {
  OpenForTest(true);
  RECT client;
  ASSERT_TRUE(GetClientRect(draw_window, &client));
  EXPECT_EQ(origin.x, (client.right - client.left) / 2);
  EXPECT_EQ(origin.y, (client.bottom - client.top) / 2);
  // Menu bar, caption and frame are inside the 601 by 540 outer size.
  EXPECT_LT(client.bottom - client.top, BackBufferHeight);
  EXPECT_LE(client.right - client.left, BackBufferWidth);
}

TEST(RuntimeWindows, WindowsArePlaced) {
  OpenForTest(true);
  RECT outer;
  ASSERT_TRUE(GetWindowRect(draw_window, &outer));
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 0);
  EXPECT_EQ(outer.right - outer.left, BackBufferWidth);
  EXPECT_EQ(outer.bottom - outer.top, BackBufferHeight);

  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_TRUE(GetWindowRect(log_window, &outer));
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, (2 * height) / 3 + 1);
  EXPECT_EQ(outer.right - outer.left, width);
  EXPECT_EQ(outer.bottom - outer.top, height / 3);

  EXPECT_TRUE(IsWindowVisible(draw_window));
  EXPECT_TRUE(IsWindowVisible(log_window));
}

TEST(RuntimeWindows, BackBufferIsFullSizeAndPaintClearsTheDirtyFlag) {
  OpenForTest(true);
  // The far corner of the 601 by 540 buffer exists even though it is not visible.
  EXPECT_NE(SetPixel(back_buffer_dc, BackBufferWidth - 1, BackBufferHeight - 1, kRed), CLR_INVALID);
  EXPECT_EQ(BufferPixel(BackBufferWidth - 1, BackBufferHeight - 1), kRed);
  EXPECT_EQ(BufferPixel(BackBufferWidth, BackBufferHeight - 1), CLR_INVALID);

  // A paint copies and clears the flag even with nothing drawn since the last copy.
  buffer_dirty = 1;
  InvalidateRect(draw_window, NULL, TRUE);
  PumpUntilIdle();
  EXPECT_EQ(buffer_dirty, 0);
  buffer_dirty = 1;
  EXPECT_EQ(DrawWindowProc(draw_window, WM_PAINT, 0, 0), 0);
  EXPECT_EQ(buffer_dirty, 0);
}

TEST(RuntimeWindows, DestroyingTheDrawingWindowEndsTheWait) {
  OpenForTest(false);
  DestroyWindow(draw_window);
  MSG message;
  int quits = 0;
  WPARAM code = 99;
  for (int pass = 0; pass < 200 && PeekMessageA(&message, NULL, 0, 0, PM_REMOVE); ++pass) {
    if (message.message == WM_QUIT) {
      ++quits;
      code = message.wParam;
    } else {
      DispatchMessageA(&message);  // paints must be validated to go away
    }
  }
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(code, 0u);
}

TEST(RuntimeWindows, CloseRuntimeWithoutAScriptReturnsOne) {
  OpenForTest(true);
  EXPECT_EQ(CloseRuntime(), 1);
}

}  // namespace
