// The message log: the ring of 25 lines, LogPrintf's results, the logging flag and the
// log window.
#include <string>

#include "runtime_support.h"

namespace {

TEST(RuntimeLog, RingHeadAndTailThroughFullAndWrap) {
  OpenForTest(true);
  EXPECT_EQ(log_head, -1);
  EXPECT_EQ(log_tail, 0);
  for (int line = 1; line <= 24; ++line) LogPrintf("line %d\n", line);
  EXPECT_EQ(log_head, 0);
  EXPECT_EQ(log_tail, 24);
  EXPECT_EQ(LogLines().size(), 24u);

  LogPrintf("line %d\n", 25);
  EXPECT_EQ(log_head, 0);
  EXPECT_EQ(log_tail, 0);
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines.front(), "line 1\n");
  EXPECT_EQ(lines.back(), "line 25\n");

  LogPrintf("line %d\n", 26);
  EXPECT_EQ(log_head, 1);
  EXPECT_EQ(log_tail, 1);
  EXPECT_EQ(LogBlockText(log_lines[0]), "line 26\n");
  lines = LogLines();
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines.front(), "line 2\n");
  EXPECT_EQ(lines.back(), "line 26\n");

  LogPrintf("line %d\n", 27);
  EXPECT_EQ(log_head, 2);
  EXPECT_EQ(log_tail, 2);
  EXPECT_EQ(LogBlockText(log_lines[1]), "line 27\n");
}

TEST(RuntimeLog, LogPrintfReturnsTheCountAndStoresExactly) {
  OpenForTest(true);
  EXPECT_EQ(LogPrintf("abc\n"), 4);
  ASSERT_EQ(log_tail, 1);
  EXPECT_EQ(LogBlockText(log_lines[0]), "abc\n");
  EXPECT_EQ(GlobalSize(log_lines[0]), 5u);

  EXPECT_EQ(LogPrintf("%s", ""), 0);
  EXPECT_EQ(log_tail, 2);
  EXPECT_EQ(LogBlockText(log_lines[1]), "");
  EXPECT_EQ(GlobalSize(log_lines[1]), 1u);

  EXPECT_EQ(LogPrintf("%d and %s\n\n", -42, "x"), 11);
  EXPECT_EQ(LogBlockText(log_lines[2]), "-42 and x\n\n");
}

TEST(RuntimeLog, OverlongLineIsCutToTheBufferAndCountedInFull) {
  OpenForTest(true);
  std::string longline(2000, 'x');
  longline[1022] = 'y';
  longline[1023] = 'z';
  EXPECT_EQ(LogPrintf("%s", longline.c_str()), 2000);
  ASSERT_EQ(log_tail, 1);
  std::string stored = LogBlockText(log_lines[0]);
  EXPECT_EQ(stored.size(), 1023u);
  EXPECT_EQ(stored, longline.substr(0, 1023));
  EXPECT_EQ(GlobalSize(log_lines[0]), 1024u);
  // The log goes on working after it.
  EXPECT_EQ(LogPrintf("next\n"), 5);
  EXPECT_EQ(LogBlockText(log_lines[1]), "next\n");
}

TEST(RuntimeLog, LogPrintfBeforeOpenOnlyStores) {
  EXPECT_EQ(LogPrintf("early %d\n", 1), 8);
  EXPECT_EQ(log_head, 0);
  EXPECT_EQ(log_tail, 1);
  EXPECT_EQ(LogBlockText(log_lines[0]), "early 1\n");
  OpenForTest(true);
  LogPrintf("later\n");
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "early 1\n");
}

TEST(RuntimeLog, LogPrintfAfterTheLogWindowWasClosedOnlyStores) {
  OpenForTest(true);
  PostMessageA(log_window, WM_CLOSE, 0, 0);
  PumpUntilIdle();
  ASSERT_FALSE(IsWindow(log_window));
  EXPECT_TRUE(IsWindow(draw_window));  // closing the log ends nothing
  EXPECT_EQ(LogPrintf("after close %s\n", "ok"), 15);
  EXPECT_EQ(LogBlockText(log_lines[log_tail - 1]), "after close ok\n");
  // Primitives log their warnings there too.
  SetLogging(0);
  EXPECT_EQ(DrawCircle(-1, 0, 0, 1), 1);
  EXPECT_EQ(LogLines().back(), "Illegal color -1; using RED.\n");
}

TEST(RuntimeLog, SetLoggingSetsFlagCheckMarkAndShowsTheWindow) {
  EXPECT_EQ(SetLogging(0), 0);
  EXPECT_EQ(logging, 1);
  OpenForTest(true);
  ShowLogWindow(0);
  EXPECT_FALSE(IsWindowVisible(log_window));

  EXPECT_EQ(SetLogging(0), 1);
  EXPECT_EQ(logging, 0);
  EXPECT_EQ(GetMenuState(run_menu, CommandLogging, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_FALSE(IsWindowVisible(log_window));

  EXPECT_EQ(SetLogging(5), 1);
  EXPECT_EQ(logging, 1);
  EXPECT_EQ(GetMenuState(run_menu, CommandLogging, MF_BYCOMMAND) & MF_CHECKED, (UINT)MF_CHECKED);
  EXPECT_TRUE(IsWindowVisible(log_window));

  EXPECT_EQ(SetLogging(0), 1);
  EXPECT_TRUE(IsWindowVisible(log_window));  // switching off does not hide it
}

TEST(RuntimeLog, ShowLogWindowReportsThePreviousVisibility) {
  OpenForTest(true);
  EXPECT_NE(ShowLogWindow(0), 0);
  EXPECT_FALSE(IsWindowVisible(log_window));
  EXPECT_EQ(ShowLogWindow(0), 0);
  EXPECT_EQ(ShowLogWindow(1), 0);
  EXPECT_TRUE(IsWindowVisible(log_window));
}

// Darkest pixel in a band of rows of the log window, left part only.
bool BandHasInk(HDC dc, int top, int bottom) {
  for (int y = top; y < bottom; ++y)
    for (int x = 5; x < 60; ++x) {
      COLORREF pixel = GetPixel(dc, x, y);
      if (pixel != CLR_INVALID && GetRValue(pixel) < 128) return true;
    }
  return false;
}

TEST(RuntimeLog, NewLineAppearsAtTheBottomAndScrollsUp) {
  OpenForTest(true);
  PumpUntilIdle();  // first paint of both windows
  HDC dc = GetDC(log_window);
  HGDIOBJ previous = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, previous);
  int h = metrics.tmHeight + metrics.tmExternalLeading;
  RECT client;
  GetClientRect(log_window, &client);
  ASSERT_GT(client.bottom, 4 * h);

  LogPrintf("MMMMMMMM\n");
  EXPECT_TRUE(BandHasInk(dc, client.bottom - h, client.bottom));
  EXPECT_FALSE(BandHasInk(dc, client.bottom - 2 * h, client.bottom - h));
  LogPrintf("%s", "");  // an empty line still scrolls
  EXPECT_FALSE(BandHasInk(dc, client.bottom - h, client.bottom));
  EXPECT_TRUE(BandHasInk(dc, client.bottom - 2 * h, client.bottom - h));
  ReleaseDC(log_window, dc);
}

TEST(RuntimeLog, RepaintDrawsTheRingFromTheBottom) {
  OpenForTest(true);
  PumpUntilIdle();
  HDC dc = GetDC(log_window);
  HGDIOBJ previous = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, previous);
  int h = metrics.tmHeight + metrics.tmExternalLeading;
  RECT client;
  GetClientRect(log_window, &client);
  ASSERT_GT(client.bottom, 4 * h);
  // An empty ring repaints nothing.
  InvalidateRect(log_window, NULL, TRUE);
  PumpUntilIdle();
  EXPECT_FALSE(BandHasInk(dc, client.bottom - 3 * h, client.bottom));

  LogPrintf("MMMMMMMM\n");
  LogPrintf("%s", "");
  // Shown now: the text one line above the bottom, a blank line below it.
  ASSERT_TRUE(BandHasInk(dc, client.bottom - 2 * h, client.bottom - h));
  InvalidateRect(log_window, NULL, TRUE);
  PumpUntilIdle();
  // The repaint erases and draws the two stored lines again, in the same places.
  EXPECT_FALSE(BandHasInk(dc, client.bottom - h, client.bottom));
  EXPECT_TRUE(BandHasInk(dc, client.bottom - 2 * h, client.bottom - h));
  EXPECT_FALSE(BandHasInk(dc, client.bottom - 3 * h, client.bottom - 2 * h));
  ReleaseDC(log_window, dc);
}

}  // namespace
