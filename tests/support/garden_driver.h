// The garden's main routine in a test's hands: start-up, then one loop pass at a time,
// with the input that ends each pass posted first. Posted messages come before the real
// timer, paint and quit in the queue, so each posting makes exactly one pass's event.
#pragma once

#include <windows.h>

#include "garden.h"
#include "runtime_state.h"

struct GardenDriver {
  BugRecord bugs[BugCount];
  ControlState control;
  int done = 0;
  int event_x = 0;
  int event_y = 0;
  signed char event_key = 0;

  void Start(HINSTANCE previous = NULL) {
    StartGarden(NULL, previous, (LPSTR) "", SW_SHOWNORMAL, bugs, control, done);
  }
  void Pass() { RunLoopPass(bugs, control, done, event_x, event_y, event_key); }

  // Client pixel of a runtime point, packed as a click's lParam.
  static LPARAM ClickAt(int x, int y) { return MAKELPARAM(origin.x + x, origin.y - y); }

  // Button centres in runtime coordinates: rows are 25 units high, from 10 below the
  // horizon.
  enum { LeftX = -250, SelectorX = -170, RightX = 250 };
  static int RowY(int row) { return -22 - 25 * row; }

  void Click(int x, int y) {
    PostMessageA(draw_window, WM_LBUTTONDOWN, MK_LBUTTON, ClickAt(x, y));
    Pass();
  }
  // With the animation on, a pass commits to a tick on its first message and returns at
  // the next timer message.
  void Key(int code) {
    PostMessageA(draw_window, WM_CHAR, (WPARAM)(unsigned char)code, 0);
    Pass();
  }
  void Quit() {
    PostMessageA(draw_window, WM_COMMAND, CommandQuit, 0);
    Pass();
  }
  void Tick() {
    PostMessageA(draw_window, WM_TIMER, AnimationTimerId, 0);
    PostMessageA(draw_window, WM_TIMER, AnimationTimerId, 0);
    Pass();
  }
};
