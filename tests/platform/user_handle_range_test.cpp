// Window and menu handles stay in their own ranges however many have come and gone: the
// counters are put near the end of their ranges instead of creating a million windows.
#include "user/user_state.h"
#include "user_fixture.h"

namespace {

using platform::user::kMenuEnd;
using platform::user::kMenuTag;
using platform::user::kWindowTag;
using platform::user::S;
using usertest::UserTest;

TEST_F(UserTest, WindowHandlesWrapBeforeTheMenuRangeAndSkipLiveWindows) {
  RegisterRecording("Rec");
  S().next_window = kWindowTag + 0x20;
  HWND oldest = MakeWindow("Rec");
  ASSERT_EQ(reinterpret_cast<uintptr_t>(oldest), kWindowTag + 0x20);
  S().next_window = kMenuTag - 4;
  std::vector<HWND> made;
  for (int i = 0; i < 4; ++i) {
    HWND h = MakeWindow("Rec");
    ASSERT_NE(h, nullptr) << i;
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    EXPECT_GT(v, kWindowTag) << i;
    EXPECT_LT(v, kMenuTag) << i;
    EXPECT_EQ(v % 2, 0u) << "odd values are the icons' and cursors'";
    EXPECT_NE(h, oldest) << i;
    made.push_back(h);
  }
  EXPECT_EQ(reinterpret_cast<uintptr_t>(made[1]), kMenuTag - 2);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(made[2]), kWindowTag + 0x22)
      << "the live window is skipped";
  HMENU menu = CreateMenu();
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(menu)));
  for (HWND h : made) EXPECT_TRUE(DestroyWindow(h));
  EXPECT_TRUE(IsWindow(oldest));
  DestroyWindow(oldest);
  DestroyMenu(menu);
}

TEST_F(UserTest, MenuHandlesWrapWithinTheirRange) {
  S().next_menu = kMenuTag + 0x20;
  HMENU oldest = CreateMenu();
  S().next_menu = kMenuEnd - 2;
  HMENU last = CreatePopupMenu();
  HMENU wrapped = CreateMenu();
  EXPECT_EQ(reinterpret_cast<uintptr_t>(last), kMenuEnd - 2);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(wrapped), kMenuTag + 0x22);
  EXPECT_NE(wrapped, oldest);
  EXPECT_TRUE(AppendMenuA(oldest, MF_STRING, 1, "kept"));
  EXPECT_EQ(GetMenuItemCount(oldest), 1);
  EXPECT_EQ(GetMenuItemCount(wrapped), 0);
  for (HMENU m : {oldest, last, wrapped}) EXPECT_TRUE(DestroyMenu(m));
}

}  // namespace
