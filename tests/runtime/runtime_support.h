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
#include "support/log_ring.h"

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

inline COLORREF BufferPixel(int x, int y) { return GetPixel(back_buffer_dc, x, y); }

// Back-buffer pixel of the runtime point (x, y).
inline COLORREF PointPixel(int x, int y) { return BufferPixel(origin.x + x, origin.y - y); }

inline DWORD GdiObjectCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);
