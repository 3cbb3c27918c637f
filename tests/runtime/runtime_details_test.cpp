// Details of the runtime that a change can break without any picture or event looking
// wrong at first: the copy of the back buffer in the pump, the Ctrl state, the run modes'
// flags, the timer, the log ring's blocks and window, and start-up with a previous
// instance.
#include <string>

#include "event_script.h"
#include "runtime_support.h"

namespace {

// A colour the freshly opened window does not show anywhere.
const COLORREF kMarker = RGB(12, 200, 34);

TEST(RuntimeDetails, ThePumpCopiesTheDirtyBackBufferAfterEachMessage) {
  OpenForTest(true);
  PumpUntilIdle();  // first paints done: nothing is pending
  SetPixel(back_buffer_dc, 20, 30, kMarker);
  buffer_dirty = 0;
  Post(WM_NULL, 0, 0);
  EXPECT_EQ(PumpOnce(), PumpDispatched);
  EXPECT_NE(GetPixel(window_dc, 20, 30), kMarker) << "copied although nothing was drawn";

  buffer_dirty = 1;
  Post(WM_NULL, 0, 0);
  EXPECT_EQ(PumpOnce(), PumpDispatched);
  EXPECT_EQ(GetPixel(window_dc, 20, 30), kMarker);
  EXPECT_EQ(buffer_dirty, 0);
}

TEST(RuntimeDetails, OnlyTheCtrlKeysReleaseEndsTheShortcuts) {
  OpenForTest(true);
  animating = 1;
  DrawWindowProc(draw_window, WM_KEYDOWN, VK_CONTROL, 0);
  DrawWindowProc(draw_window, WM_KEYDOWN, 'F', 0);
  DrawWindowProc(draw_window, WM_KEYUP, 'F', 0);  // a letter let go, Ctrl still held
  EXPECT_EQ(ctrl_down, 1);
  DrawWindowProc(draw_window, WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(animating, 1) << "Ctrl+A after Ctrl+F";
  EXPECT_EQ(single_step, 1);

  DrawWindowProc(draw_window, WM_KEYUP, VK_CONTROL, 0);
  EXPECT_EQ(ctrl_down, 0);
  DrawWindowProc(draw_window, WM_KEYDOWN, 'H', 0);
  EXPECT_EQ(animating, 1) << "H without Ctrl must not halt";
}

TEST(RuntimeDetails, EachRunModeTouchesOnlyItsOwnFlag) {
  OpenForTest(true);
  animating = 1;
  single_step = 0;
  EXPECT_EQ(SetRunMode(RunOneFrame), 1);
  EXPECT_EQ(single_step, 1);
  EXPECT_EQ(animating, 1) << "one frame must leave the animation on";

  animating = 0;
  single_step = 1;
  EXPECT_EQ(SetRunMode(RunAnimate), 1);
  EXPECT_EQ(animating, 1);
  EXPECT_EQ(single_step, 1) << "animate must leave a pending single step";
}

TEST(RuntimeDetails, StartingPlaybackDropsAPendingStep) {
  OpenForTest(true);
  animating = 1;
  single_step = 1;
  TogglePlayback();
  EXPECT_EQ(playing_back, 1);
  EXPECT_EQ(animating, 0);
  EXPECT_EQ(single_step, 0) << "a step left pending would tick in the middle of the script";
  TogglePlayback();
}

TEST(RuntimeDetails, AnyTimerMakesATickPending) {
  OpenForTest(true);
  for (WPARAM id : {(WPARAM)AnimationTimerId, (WPARAM)1, (WPARAM)77}) {
    tick_pending = 0;
    EXPECT_EQ(DrawWindowProc(draw_window, WM_TIMER, id, 0), 0);
    EXPECT_EQ(tick_pending, 1) << "timer id " << id;
  }
}

TEST(RuntimeDetails, DestroyingTheDrawingWindowStopsItsTimer) {
  OpenForTest(false);
  EXPECT_EQ(DrawWindowProc(draw_window, WM_DESTROY, 0, 0), 0);
  // Already killed: a second kill finds no timer.
  EXPECT_FALSE(KillTimer(draw_window, AnimationTimerId));
}

TEST(RuntimeDetails, AReplacedRingLineIsFreed) {
  for (int i = 0; i < LogRingSize; ++i) LogPrintf("line %d\n", i);
  ASSERT_EQ(log_head, log_tail);
  int slot = log_head;
  HGLOBAL oldest = log_lines[slot];
  ASSERT_EQ(GlobalFlags(oldest) & GMEM_INVALID_HANDLE, 0u);
  LogPrintf("one more\n");
  EXPECT_EQ(LogBlockText(log_lines[slot]), "one more\n");
  // Freed, or freed and handed out again for the new line.
  EXPECT_TRUE(GlobalFlags(oldest) == GMEM_INVALID_HANDLE || log_lines[slot] == oldest);
  EXPECT_EQ((int)LogLines().size(), LogRingSize);
}

// Dark pixels of a band of rows, as a string of '#' and '.', left part only.
std::string InkRows(HDC dc, int top, int rows, int width) {
  std::string ink;
  for (int y = top; y < top + rows; ++y) {
    for (int x = 0; x < width; ++x) {
      COLORREF pixel = GetPixel(dc, x, y);
      ink += pixel != CLR_INVALID && GetRValue(pixel) < 128 ? '#' : '.';
    }
    ink += '\n';
  }
  return ink;
}

TEST(RuntimeDetails, ALogLineIsDrawnFiveInWithOneNewlineDropped) {
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
  const int width = 120;
  ASSERT_GT(client.right, width);

  // The same text drawn by hand at x 5 on a white strip.
  HDC strip = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, h);
  HGDIOBJ old_bitmap = SelectObject(strip, bitmap);
  RECT whole = {0, 0, width, h};
  FillRect(strip, &whole, (HBRUSH)GetStockObject(WHITE_BRUSH));
  HGDIOBJ old_font = SelectObject(strip, GetStockObject(ANSI_FIXED_FONT));
  TextOutA(strip, 5, 0, "|MM|", 4);
  std::string want = InkRows(strip, 0, h, width);
  ASSERT_NE(want.find('#'), std::string::npos);

  LogPrintf("|MM|\n");
  EXPECT_EQ(InkRows(dc, client.bottom - h, h, width), want);
  // Of two newlines only the last is dropped: the other is drawn, so the line differs.
  LogPrintf("|MM|\n\n");
  std::string with_newline = InkRows(dc, client.bottom - h, h, width);
  FillRect(strip, &whole, (HBRUSH)GetStockObject(WHITE_BRUSH));
  TextOutA(strip, 5, 0, "|MM|\n", 5);
  EXPECT_EQ(with_newline, InkRows(strip, 0, h, width));

  SelectObject(strip, old_font);
  SelectObject(strip, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(strip);
  ReleaseDC(log_window, dc);
}

TEST(RuntimeDetails, APreviousInstanceRegistersNoClass) {
  // A fresh process: nothing has registered the classes yet.
  EXPECT_EQ(OpenRuntime(NULL, (HINSTANCE)(INT_PTR)1, (LPSTR) "", SW_SHOWNORMAL), 1);
  // Neither window could be made, and both names are still free to register.
  EXPECT_EQ(draw_window, (HWND)NULL);
  EXPECT_EQ(log_window, (HWND)NULL);
  for (const char* name : {"DrawWndClass", "TextWndClass"}) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = name;
    EXPECT_NE(RegisterClassA(&window_class), 0) << name;
  }
}

}  // namespace
