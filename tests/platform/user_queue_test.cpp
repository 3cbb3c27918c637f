// The message queue: Windows' order, WM_QUIT, WM_PAINT and WM_TIMER synthesis,
// filters, and WaitMessage on the virtual clock.
#include "user_fixture.h"

using namespace usertest;

namespace {

class QueueTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    RegisterRecording("Rec");
    h = MakeWindow("Rec");
    ShowWindow(h, SW_SHOW);
    Drain();
    Log().clear();
  }
  // A key pressed on the window, as the host reports it.
  void PushKeyDown(char vk) {
    platform::NativeEvent key;
    key.kind = platform::NativeEvent::KeyDown;
    key.vk = vk;
    key.window = platform::LookupWindow(h)->native;
    platform::HeadlessPush(host(), key);
  }
  HWND h = nullptr;
};

TEST_F(QueueTest, OrderIsPostedQuitInputPaintTimer) {
  ASSERT_TRUE(SetTimer(h, 1, 100, nullptr));
  HeadlessAdvance(host(), 150);
  InvalidateRect(h, nullptr, FALSE);
  platform::InjectKey(h, 'A', true);
  PostQuitMessage(3);
  ASSERT_TRUE(PostMessageA(h, WM_USER + 1, 0, 0));
  ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 2, 0, 0));
  MSG m;
  std::vector<UINT> got;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    got.push_back(m.message);
    if (m.message == WM_QUIT) {
      EXPECT_EQ(m.wParam, WPARAM(3));
      EXPECT_EQ(m.hwnd, nullptr);
      continue;
    }
    if (m.message == WM_PAINT) ValidateRect(m.hwnd, nullptr);
  }
  std::vector<UINT> expected = {WM_USER + 1, WM_USER + 2, WM_QUIT, WM_KEYDOWN, WM_PAINT, WM_TIMER};
  EXPECT_EQ(got, expected);
}

TEST_F(QueueTest, QuitComesOnceAndOnlyWhenNothingIsPosted) {
  PostQuitMessage(0);
  PostMessageA(h, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER));
  // PM_NOREMOVE leaves WM_QUIT; PM_REMOVE takes it; after that it is gone.
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  EXPECT_EQ(m.wParam, WPARAM(0));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  // GetMessageA reports WM_QUIT as FALSE, with the exit code.
  PostQuitMessage(42);
  EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  EXPECT_EQ(m.wParam, WPARAM(42));
}

TEST_F(QueueTest, PaintStaysUntilValidatedAndNotAfterEndPaint) {
  InvalidateRect(h, nullptr, TRUE);
  MSG m;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_PAINT));
  }
  PAINTSTRUCT ps;
  ASSERT_NE(BeginPaint(h, &ps), nullptr);
  EXPECT_TRUE(EndPaint(h, &ps));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  // A partly validated window keeps what is left.
  RECT a = {0, 0, 50, 100};
  InvalidateRect(h, nullptr, FALSE);
  ValidateRect(h, &a);
  RECT u;
  ASSERT_TRUE(GetUpdateRect(h, &u, FALSE));
  EXPECT_EQ(u.left, 50);
  EXPECT_EQ(u.right, 200);
  RECT all = {-10, -10, 500, 500};
  ValidateRect(h, &all);
  EXPECT_FALSE(GetUpdateRect(h, &u, FALSE));
  // Outside the client area there is nothing to invalidate.
  RECT outside = {300, 300, 400, 400};
  InvalidateRect(h, &outside, TRUE);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  // Unions of invalid rectangles are painted once.
  RECT r1 = {1, 1, 5, 5}, r2 = {10, 10, 20, 30};
  InvalidateRect(h, &r1, FALSE);
  InvalidateRect(h, &r2, FALSE);
  ASSERT_TRUE(GetUpdateRect(h, &u, FALSE));
  EXPECT_EQ(u.left, 1);
  EXPECT_EQ(u.top, 1);
  EXPECT_EQ(u.right, 20);
  EXPECT_EQ(u.bottom, 30);
  Log().clear();
  Drain();
  EXPECT_EQ(CountOf(WM_PAINT), 1);
}

TEST_F(QueueTest, TimerFiresOncePerPeriodAndMissedPeriodsMerge) {
  ASSERT_EQ(SetTimer(h, 2, 100, nullptr), UINT_PTR(2));
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  HeadlessAdvance(host(), 99);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  HeadlessAdvance(host(), 1);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_TIMER));
  EXPECT_EQ(m.hwnd, h);
  EXPECT_EQ(m.wParam, WPARAM(2));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  // Five periods missed: one message; the next falls on the following period.
  HeadlessAdvance(host(), 500);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_TIMER));
  // Looking without removing does not queue a second one.
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_TIMER));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  HeadlessAdvance(host(), 100);
  Log().clear();
  Drain();
  EXPECT_EQ(CountOf(WM_TIMER), 1);
}

TEST_F(QueueTest, SetTimerWithTheSameIdReplacesAndKillTimerStopsIt) {
  ASSERT_EQ(SetTimer(h, 5, 100, nullptr), UINT_PTR(5));
  HeadlessAdvance(host(), 60);
  ASSERT_EQ(SetTimer(h, 5, 100, nullptr), UINT_PTR(5));  // restarts the period
  HeadlessAdvance(host(), 60);
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  HeadlessAdvance(host(), 40);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, WPARAM(5));
  EXPECT_TRUE(KillTimer(h, 5));
  EXPECT_FALSE(KillTimer(h, 5));
  HeadlessAdvance(host(), 1000);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(QueueTest, KillingAnExpiredTimerDropsItsMessage) {
  SetTimer(h, 9, 100, nullptr);
  HeadlessAdvance(host(), 300);
  KillTimer(h, 9);
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

int timer_proc_calls = 0;
void CALLBACK CountingTimerProc(HWND, UINT message, UINT_PTR, DWORD) {
  if (message == WM_TIMER) ++timer_proc_calls;
}

TEST_F(QueueTest, ThreadTimersGetIdsAndCallTheirProcedureOnDispatch) {
  UINT_PTR a = SetTimer(nullptr, 0, 50, CountingTimerProc);
  UINT_PTR b = SetTimer(nullptr, 0, 50, CountingTimerProc);
  EXPECT_NE(a, 0u);
  EXPECT_NE(b, 0u);
  EXPECT_NE(a, b);
  HeadlessAdvance(host(), 50);
  timer_proc_calls = 0;
  Log().clear();
  Drain();
  EXPECT_EQ(timer_proc_calls, 2);
  EXPECT_EQ(CountOf(WM_TIMER), 0);  // no window procedure sees them
  EXPECT_TRUE(KillTimer(nullptr, a));
  EXPECT_TRUE(KillTimer(nullptr, b));
}

TEST_F(QueueTest, FiltersSelectWindowAndRange) {
  RegisterRecording("Other");
  HWND other = MakeWindow("Other");
  PostMessageA(other, WM_USER + 1, 0, 0);
  PostMessageA(h, WM_USER + 2, 0, 0);
  PostMessageA(h, WM_USER + 3, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, h, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 2));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 3));
  EXPECT_FALSE(PeekMessageA(&m, h, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, other);
  // A destroyed window's posted messages go with it.
  PostMessageA(other, WM_USER + 4, 0, 0);
  DestroyWindow(other);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
}

TEST_F(QueueTest, SendMessageCallsTheProcedureDirectly) {
  EXPECT_EQ(SendMessageA(h, WM_USER + 7, 11, 22), 0);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].message, UINT(WM_USER + 7));
  EXPECT_EQ(Log()[0].wparam, WPARAM(11));
  EXPECT_EQ(Log()[0].lparam, LPARAM(22));
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(QueueTest, WaitMessageSleepsUntilTheNextTimer) {
  SetTimer(h, 1, 100, nullptr);
  int64_t start = host().NowMs();
  EXPECT_TRUE(WaitMessage());
  EXPECT_EQ(host().NowMs() - start, 100);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_TIMER));
  // Something already waiting returns at once.
  PostMessageA(h, WM_USER, 0, 0);
  start = host().NowMs();
  EXPECT_TRUE(WaitMessage());
  EXPECT_EQ(host().NowMs(), start);
  // A native event wakes it too, before the timer.
  Drain();
  PushKeyDown('B');
  start = host().NowMs();
  EXPECT_TRUE(WaitMessage());
  EXPECT_EQ(host().NowMs(), start);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_KEYDOWN));
  EXPECT_EQ(m.wParam, WPARAM('B'));
}

// A wait for messages that leaves the timer out sleeps through due ticks (the halted
// garden waits so), and still wakes for what its mask names.
TEST_F(QueueTest, MessageWaitWakesOnlyForTheKindsItNames) {
  const DWORD no_timer = QS_ALLINPUT & ~QS_TIMER;
  SetTimer(h, 2, 50, nullptr);
  int64_t start = host().NowMs();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 300, no_timer), DWORD(WAIT_TIMEOUT));
  EXPECT_EQ(host().NowMs() - start, 300);
  // The tick is still there for whoever asks for it.
  start = host().NowMs();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 300, QS_ALLINPUT), DWORD(WAIT_OBJECT_0));
  EXPECT_EQ(host().NowMs(), start);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_TIMER));
  // With the timer asked for, the wait ends at the next tick, not at its own limit.
  start = host().NowMs();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 300, QS_ALLINPUT), DWORD(WAIT_OBJECT_0));
  EXPECT_EQ(host().NowMs() - start, 50);
  Drain();

  PostMessageA(h, WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, no_timer), DWORD(WAIT_OBJECT_0));
  Drain();
  PostQuitMessage(0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_POSTMESSAGE),
            DWORD(WAIT_OBJECT_0));
  Drain();
  InvalidateRect(h, nullptr, FALSE);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_KEY | QS_MOUSE),
            DWORD(WAIT_TIMEOUT));
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_PAINT), DWORD(WAIT_OBJECT_0));
  Drain();

  // Input from the host wakes a wait without limit; a key does not wake a wait for the
  // mouse alone.
  PushKeyDown('B');
  start = host().NowMs();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_MOUSE), DWORD(WAIT_TIMEOUT));
  EXPECT_EQ(host().NowMs() - start, 200);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, no_timer), DWORD(WAIT_OBJECT_0));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
  EXPECT_EQ(m.wParam, WPARAM('B'));

  // A wait of 0 ms only looks.
  Drain();
  start = host().NowMs();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, no_timer), DWORD(WAIT_TIMEOUT));
  EXPECT_EQ(host().NowMs(), start);
  // Handles are kernel objects this platform has none of.
  HANDLE bogus = reinterpret_cast<HANDLE>(intptr_t(0x12345));
  SetLastError(0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &bogus, FALSE, 100, QS_ALLINPUT), DWORD(WAIT_FAILED));
  EXPECT_EQ(GetLastError(), DWORD(6));
}

TEST_F(QueueTest, TenSecondsOfTicksOnTheVirtualClock) {
  SetTimer(h, 2, 100, nullptr);
  int64_t end = host().NowMs() + 10000;
  int ticks = 0;
  MSG m;
  while (host().NowMs() < end) {
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_TIMER) ++ticks;
      DispatchMessageA(&m);
    }
    WaitMessage();
  }
  EXPECT_EQ(ticks, 99);  // the 100th falls due exactly at the end
}

}  // namespace
