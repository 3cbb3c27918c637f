// Shared helpers for the runtime's own tests: open the runtime, wait for one event, post
// input, and read back the message log and the back buffer.
#pragma once

#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "kx507.h"
#include "runtime_state.h"

struct RuntimeEvent {
  int kind;
  int x;
  int y;
  signed char key;
};

inline RuntimeEvent WaitForEvent() {
  RuntimeEvent event = {0, 0, 0, 0};
  event.kind = AwaitEvent(&event.x, &event.y, &event.key);
  return event;
}

// Opens the runtime as the application does; with stop_timer only posted WM_TIMER
// messages make ticks, so waits are decided by the test alone.
inline void OpenForTest(bool stop_timer) {
  ASSERT_EQ(OpenRuntime(NULL, NULL, (LPSTR) "", SW_SHOWNORMAL), 1);
  ASSERT_NE(draw_window, (HWND)NULL);
  ASSERT_NE(log_window, (HWND)NULL);
  if (stop_timer) KillTimer(draw_window, AnimationTimerId);
}

inline void Post(UINT message, WPARAM wparam, LPARAM lparam) {
  PostMessageA(draw_window, message, wparam, lparam);
}

// Runs the pump until a pass finds nothing to do (a bounded number of passes).
inline void PumpUntilIdle() {
  for (int pass = 0; pass < 200; ++pass) {
    if (PumpOnce() == PumpIdle) return;
  }
}

inline std::string BlockText(HGLOBAL block) {
  const char* text = (const char*)GlobalLock(block);
  std::string copy = text != NULL ? text : "";
  GlobalUnlock(block);
  return copy;
}

// The stored log lines, oldest first, read the way the repaint walks the ring.
inline std::vector<std::string> LogLines() {
  std::vector<std::string> lines;
  for (int index = log_head, count = 0; index >= 0 && (index != log_tail || count == 0);
       index = (index + 1) % LogRingSize, ++count)
    lines.push_back(BlockText(log_lines[index]));
  return lines;
}

// Empties the ring, so that a test reads only what it logs next.
inline void ForgetLogLines() {
  for (int i = 0; i < LogRingSize; ++i) {
    if (log_lines[i] != NULL) GlobalFree(log_lines[i]);
    log_lines[i] = NULL;
  }
  log_head = -1;
  log_tail = 0;
}

inline COLORREF BufferPixel(int x, int y) { return GetPixel(back_buffer_dc, x, y); }

// Back-buffer pixel of the runtime point (x, y).
inline COLORREF PointPixel(int x, int y) { return BufferPixel(origin.x + x, origin.y - y); }

inline DWORD GdiObjectCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);
