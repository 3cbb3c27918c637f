// The menu's modal loop inside DispatchMessage: the messages the window hears and
// their order (as Wine sends them), timers dispatched while the menu is open, keys
// from the host going to the menu, and the command after the loop.
#include <vector>

#include "user_fixture.h"

namespace usertest {
namespace {

HWND g_window = nullptr;
int g_calls = 0;

LRESULT CALLBACK MenuProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Log().push_back({h, m, w, l});
  if (m == WM_CREATE) {
    HMENU bar = CreateMenu();
    HMENU run = CreatePopupMenu();
    AppendMenuA(run, MF_STRING, 1, "&Animate");
    AppendMenuA(run, MF_STRING, 2, "&Halt animation");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), "&Run");
    SetMenu(h, bar);
  }
  return DefWindowProcA(h, m, w, l);
}

// At its third call, Down and Enter on the keyboard, through the host's path.
void CALLBACK ChooseSecondSoon(HWND, UINT, UINT_PTR id, DWORD) {
  if (++g_calls != 3) return;
  for (int vk : {VK_DOWN, VK_RETURN}) {
    platform::InjectKey(g_window, vk, true);
    platform::InjectKey(g_window, vk, false);
  }
  KillTimer(nullptr, id);
}

void CALLBACK QuitSoon(HWND, UINT, UINT_PTR id, DWORD) {
  if (++g_calls != 2) return;
  PostQuitMessage(7);
  KillTimer(nullptr, id);
}

class MenuLoopTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    g_calls = 0;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MenuProc;
    wc.lpszClassName = "Loop";
    ASSERT_NE(RegisterClassA(&wc), 0);
    g_window = MakeWindow("Loop", 601, 540, WS_CAPTION | WS_SYSMENU);
    ASSERT_NE(g_window, nullptr);
    ShowWindow(g_window, SW_SHOW);
    Drain();
    Log().clear();
  }
  // Position in the log of the first `message` at or after `from`, or -1.
  static int Find(UINT message, int from = 0) {
    for (size_t i = size_t(from); i < Log().size(); ++i)
      if (Log()[i].message == message) return int(i);
    return -1;
  }
};

TEST_F(MenuLoopTest, TimersRunInsideTheLoopAndTheCommandComesAfterIt) {
  ASSERT_NE(SetTimer(g_window, 2, 100, nullptr), 0u);
  ASSERT_NE(SetTimer(nullptr, 0, 100, ChooseSecondSoon), 0u);
  PostMessageA(g_window, WM_SYSCOMMAND, SC_KEYMENU, 'r');
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  ASSERT_EQ(m.message, UINT(WM_SYSCOMMAND));
  DispatchMessageA(&m);  // returns only when the menu has closed
  EXPECT_EQ(g_calls, 3);

  const int enter = Find(WM_ENTERMENULOOP);
  const int init = Find(WM_INITMENU);
  const int popup = Find(WM_INITMENUPOPUP);
  const int timer = Find(WM_TIMER);
  const int exit = Find(WM_EXITMENULOOP);
  ASSERT_GE(enter, 0);
  EXPECT_LT(enter, init);
  EXPECT_LT(init, popup);
  EXPECT_LT(popup, timer);
  EXPECT_LT(timer, exit);
  EXPECT_GE(CountOf(WM_TIMER), 2);
  // Nothing of the command yet: it waits in the queue, after the loop.
  EXPECT_EQ(CountOf(WM_COMMAND), 0);
  // The keys went to the menu, not to the window.
  EXPECT_EQ(CountOf(WM_KEYDOWN), 0);
  std::vector<UINT> after = Drain();
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.front(), UINT(WM_COMMAND));
  const int command = Find(WM_COMMAND);
  ASSERT_GT(command, exit);
  EXPECT_EQ(Log()[size_t(command)].wparam, WPARAM(2));
}

TEST_F(MenuLoopTest, QuitEndsTheMenuAndStaysForTheCaller) {
  ASSERT_NE(SetTimer(nullptr, 0, 100, QuitSoon), 0u);
  PostMessageA(g_window, WM_SYSCOMMAND, SC_KEYMENU, 0);  // the bar selected
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageA(&m);
  EXPECT_EQ(g_calls, 2);
  EXPECT_GE(Find(WM_EXITMENULOOP), 0);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  EXPECT_EQ(m.wParam, WPARAM(7));
  EXPECT_EQ(CountOf(WM_COMMAND), 0);
}

TEST_F(MenuLoopTest, KeyMenuForALetterWithoutAMenuItemOpensNothing) {
  PostMessageA(g_window, WM_SYSCOMMAND, SC_KEYMENU, 'z');
  Drain();  // would wait forever if a menu had opened
  EXPECT_EQ(Find(WM_ENTERMENULOOP), -1);
  EXPECT_EQ(platform::LookupWindow(g_window)->overlay, nullptr);
}

}  // namespace
}  // namespace usertest
