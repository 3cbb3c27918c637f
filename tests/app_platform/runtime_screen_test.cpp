// The runtime on a screen whose size the test chooses, on our platform's headless host.
#include <gtest/gtest.h>
#include <windows.h>

#include "host/host.h"
#include "runtime_state.h"

namespace {

TEST(RuntimeScreen, TheLogWindowStartsTwoThirdsDownDividedOnce) {
  platform::SetHost(platform::MakeHeadlessHost());
  // 1001 high: (2 * 1001) / 3 + 1 is 668, where 2 * (1001 / 3) + 1 would be 667.
  platform::HeadlessSetScreen(platform::CurrentHost(), 1280, 1001);
  ASSERT_EQ(OpenRuntime(NULL, NULL, (LPSTR) "", SW_SHOWNORMAL), 1);
  RECT outer;
  ASSERT_TRUE(GetWindowRect(log_window, &outer));
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 668);
  EXPECT_EQ(outer.right - outer.left, 1280);
  EXPECT_EQ(outer.bottom - outer.top, 333);
  CloseRuntime();
}

}  // namespace
