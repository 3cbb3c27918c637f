// The Run menu's modal loop, as Windows runs it inside DispatchMessage: while the
// menu is open, timer messages still reach the procedures but the wait returns
// nothing; the chosen command arrives after the menu has closed, and the wait
// that was running returns one periodic event at the next tick.
#include "runtime_support.h"

namespace {

int proc_calls = 0;
int keys_posted = 0;

// A thread timer, dispatched inside the menu's loop like every timer: at its
// third call it chooses "Halt animation" with the keys Down and Enter.
void CALLBACK ChooseHaltSoon(HWND, UINT, UINT_PTR id, DWORD) {
  if (++proc_calls != 3) return;
  PostMessageA(draw_window, WM_KEYDOWN, VK_DOWN, 0x00500001);
  PostMessageA(draw_window, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  keys_posted = 1;
  KillTimer(NULL, id);
}

TEST(RuntimeMenuLoop, NoEventWhileTheMenuIsOpenThenOnePeriodicEvent) {
  OpenForTest(false);
  SetRunMode(2);
  ASSERT_EQ(WaitForEvent().kind, EventPeriodic);
  ASSERT_EQ(WaitForEvent().kind, EventPeriodic);

  // Alt+R as the window system delivers it: the Run menu opens with its first
  // item selected.
  PostMessageA(draw_window, WM_SYSCOMMAND, SC_KEYMENU, 'r');
  ASSERT_NE(SetTimer(NULL, 0, 100, ChooseHaltSoon), 0u);
  const DWORD start = GetTickCount();
  RuntimeEvent event = WaitForEvent();
  const DWORD waited = GetTickCount() - start;
  // The wait went on through the menu: it returned only after the keys that
  // closed it, three timer periods later at least.
  EXPECT_EQ(event.kind, EventPeriodic);
  EXPECT_EQ(keys_posted, 1);
  EXPECT_GE(proc_calls, 3);
  EXPECT_GE(waited, 250u);
  // The command came after the menu closed and halted the animation; the
  // periodic event committed before it still stands.
  EXPECT_EQ(animating, 0);

  // Halted: the next event is the click, not another tick.
  Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(origin.x, origin.y));
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventMouse);
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.y, 0);
}

}  // namespace
