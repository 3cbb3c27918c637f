// Menus as data: items, check marks, states, lookups and the window's menu bar.
#include <cstring>

#include "user_fixture.h"

using namespace usertest;

namespace {

class MenuTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    run = CreatePopupMenu();
    ASSERT_NE(run, nullptr);
    ASSERT_TRUE(AppendMenuA(run, MF_STRING, 1, "&Animate\tCtrl+A"));
    ASSERT_TRUE(AppendMenuA(run, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuA(run, MF_STRING | MF_CHECKED, 4, "&Logging\tCtrl+L"));
    ASSERT_TRUE(AppendMenuA(run, MF_GRAYED, 9, "KX507 v2.2 July 1997"));
    ASSERT_TRUE(AppendMenuA(run, MF_GRAYED, 9, "MAC: example.org"));
    ASSERT_TRUE(AppendMenuA(run, MF_DISABLED, 10, "off"));
    bar = CreateMenu();
    ASSERT_TRUE(AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), "&Run"));
  }
  HMENU run = nullptr, bar = nullptr;
};

TEST_F(MenuTest, CheckMenuItemReturnsThePreviousStateOrMinusOne) {
  EXPECT_EQ(CheckMenuItem(run, 4, MF_UNCHECKED), DWORD(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(run, 4, MF_UNCHECKED), DWORD(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(run, 4, MF_CHECKED), DWORD(MF_UNCHECKED));
  EXPECT_EQ(GetMenuState(run, 4, MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(run, 77, MF_CHECKED), DWORD(-1));
  // By command, the search goes into submenus.
  EXPECT_EQ(CheckMenuItem(bar, 4, MF_UNCHECKED), DWORD(MF_CHECKED));
  EXPECT_EQ(GetMenuState(run, 4, MF_BYCOMMAND), UINT(MF_UNCHECKED));
  // By position.
  EXPECT_EQ(CheckMenuItem(run, 0, MF_BYPOSITION | MF_CHECKED), DWORD(MF_UNCHECKED));
  EXPECT_EQ(GetMenuState(run, 1, MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(run, 6, MF_BYPOSITION | MF_CHECKED), DWORD(-1));
  // A bad handle is refused, not followed.
  EXPECT_EQ(CheckMenuItem(nullptr, 4, MF_CHECKED), DWORD(-1));
  EXPECT_EQ(CheckMenuItem(reinterpret_cast<HMENU>(uintptr_t(0x1234)), 4, MF_CHECKED), DWORD(-1));
}

TEST_F(MenuTest, StatesCountsIdsAndStrings) {
  EXPECT_EQ(GetMenuState(run, 9, MF_BYCOMMAND), UINT(MF_GRAYED));
  EXPECT_EQ(GetMenuState(run, 10, MF_BYCOMMAND), UINT(MF_DISABLED));
  EXPECT_EQ(GetMenuState(run, 1, MF_BYPOSITION), UINT(MF_SEPARATOR));
  EXPECT_EQ(GetMenuState(run, 1234, MF_BYCOMMAND), UINT(-1));
  // A popup item: its item count in the high byte, MF_POPUP in the low.
  EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), UINT((6 << 8) | MF_POPUP));
  EXPECT_EQ(GetMenuItemCount(run), 6);
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  EXPECT_EQ(GetMenuItemCount(nullptr), -1);
  EXPECT_EQ(GetMenuItemID(run, 0), 1u);
  EXPECT_EQ(GetMenuItemID(run, 4), 9u);
  EXPECT_EQ(GetMenuItemID(bar, 0), UINT(-1));
  EXPECT_EQ(GetMenuItemID(run, 6), UINT(-1));
  EXPECT_EQ(GetMenuItemID(run, -1), UINT(-1));
  EXPECT_EQ(GetSubMenu(bar, 0), run);
  EXPECT_EQ(GetSubMenu(run, 0), nullptr);
  EXPECT_EQ(GetSubMenu(bar, 1), nullptr);
  char text[64];
  EXPECT_EQ(GetMenuStringA(run, 4, text, sizeof text, MF_BYCOMMAND), 15);
  EXPECT_STREQ(text, "&Logging\tCtrl+L");
  EXPECT_EQ(GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION), 4);
  EXPECT_STREQ(text, "&Run");
  // Cut to the buffer, always terminated.
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(GetMenuStringA(run, 1, text, 5, MF_BYCOMMAND), 4);
  EXPECT_STREQ(text, "&Ani");
  EXPECT_EQ(text[5], 'x');
  EXPECT_EQ(GetMenuStringA(run, 99, text, sizeof text, MF_BYCOMMAND), 0);
}

TEST_F(MenuTest, AppendRefusesBadMenusAndPopups) {
  EXPECT_FALSE(AppendMenuA(nullptr, MF_STRING, 1, "x"));
  EXPECT_FALSE(AppendMenuA(run, MF_POPUP, 0x4242, "bad popup"));
  EXPECT_EQ(GetMenuItemCount(run), 6);
}

TEST_F(MenuTest, DestroyingAMenuDestroysItsPopupsAndRefusesTheHandles) {
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(DestroyMenu(bar));
  EXPECT_EQ(GetMenuItemCount(run), -1);
  EXPECT_EQ(CheckMenuItem(run, 4, MF_CHECKED), DWORD(-1));
  EXPECT_EQ(GetMenuState(run, 4, MF_BYCOMMAND), UINT(-1));
  EXPECT_FALSE(AppendMenuA(run, MF_STRING, 2, "late"));
}

TEST_F(MenuTest, SetMenuGivesTheWindowABarAndShrinksItsClientArea) {
  RegisterRecording("Rec");
  HWND h = MakeWindow("Rec", 200, 100);
  RECT c;
  GetClientRect(h, &c);
  EXPECT_EQ(c.bottom, 100);
  Log().clear();
  ASSERT_TRUE(SetMenu(h, bar));
  EXPECT_EQ(GetMenu(h), bar);
  GetClientRect(h, &c);
  EXPECT_EQ(c.bottom, 100 - GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(CountOf(WM_SIZE), 1);
  EXPECT_TRUE(DrawMenuBar(h));
  ASSERT_TRUE(SetMenu(h, nullptr));
  EXPECT_EQ(GetMenu(h), nullptr);
  GetClientRect(h, &c);
  EXPECT_EQ(c.bottom, 100);
  // Taken off the window, the menu lives on.
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  // The menu bar of a destroyed window goes with it.
  SetMenu(h, bar);
  DestroyWindow(h);
  EXPECT_EQ(GetMenuItemCount(bar), -1);
  EXPECT_EQ(GetMenuItemCount(run), -1);
}

TEST_F(MenuTest, MenuChangesBumpTheGeneration) {
  uint64_t g = platform::MenuGeneration();
  CheckMenuItem(run, 4, MF_UNCHECKED);
  EXPECT_NE(platform::MenuGeneration(), g);
  g = platform::MenuGeneration();
  AppendMenuA(run, MF_STRING, 11, "more");
  EXPECT_NE(platform::MenuGeneration(), g);
  g = platform::MenuGeneration();
  GetMenuState(run, 4, MF_BYCOMMAND);
  EXPECT_EQ(platform::MenuGeneration(), g);
}

}  // namespace
