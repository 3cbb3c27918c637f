// No top-level window grows past the maximum tracking size, whether the program, its
// creation or the desktop asks for more.
#include "user_fixture.h"

namespace {

using usertest::UserTest;

class MaxTrackTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    platform::HeadlessSetScreen(host(), 800, 600);
    RegisterRecording("Rec");
  }
  static SIZE OuterSize(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return {r.right - r.left, r.bottom - r.top};
  }
  SIZE NativeSize(HWND h) {
    int width = 0, height = 0;
    platform::HeadlessNativeSize(host(), platform::LookupWindow(h)->native, &width, &height);
    return {width, height};
  }
};

TEST_F(MaxTrackTest, TheBoundIsTheScreenAndTheSizingFrame) {
  EXPECT_EQ(GetSystemMetrics(SM_CXMAXTRACK), 800 + 2 * GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(GetSystemMetrics(SM_CYMAXTRACK), 600 + 2 * GetSystemMetrics(SM_CYFRAME));
}

TEST_F(MaxTrackTest, CreateAndMoveWindowAreBounded) {
  const int cx = GetSystemMetrics(SM_CXMAXTRACK), cy = GetSystemMetrics(SM_CYMAXTRACK);
  HWND fixed = MakeWindow("Rec", 40000, 40000, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(OuterSize(fixed).cx, cx);
  EXPECT_EQ(OuterSize(fixed).cy, cy);
  HWND h = MakeWindow("Rec");
  ShowWindow(h, SW_SHOW);
  Drain();
  EXPECT_TRUE(MoveWindow(h, 10, 20, 32767, 32767, TRUE));
  EXPECT_EQ(OuterSize(h).cx, cx);
  EXPECT_EQ(OuterSize(h).cy, cy);
  EXPECT_EQ(NativeSize(h).cx, cx);
  EXPECT_EQ(NativeSize(h).cy, cy);
  RECT c;
  GetClientRect(h, &c);
  EXPECT_LE(c.right, cx);
  EXPECT_LE(c.bottom, cy);
  // Each side on its own: a wide, low window keeps its height.
  MoveWindow(h, 0, 0, 5000, 300, TRUE);
  EXPECT_EQ(OuterSize(h).cx, cx);
  EXPECT_EQ(OuterSize(h).cy, 300);
  DestroyWindow(h);
  DestroyWindow(fixed);
}

TEST_F(MaxTrackTest, ASizeTheDesktopImposesIsBoundedAndGivenBack) {
  const int cx = GetSystemMetrics(SM_CXMAXTRACK), cy = GetSystemMetrics(SM_CYMAXTRACK);
  HWND h = MakeWindow("Rec", 300, 200);
  ShowWindow(h, SW_SHOW);
  Drain();
  platform::NativeEvent ev;
  ev.kind = platform::NativeEvent::Resized;
  ev.window = platform::LookupWindow(h)->native;
  ev.width = 32767;
  ev.height = 32767;
  platform::HeadlessPush(host(), ev);
  Drain();
  EXPECT_EQ(OuterSize(h).cx, cx);
  EXPECT_EQ(OuterSize(h).cy, cy);
  // The native window is told the bounded size, so its pixels stay bounded too.
  EXPECT_EQ(NativeSize(h).cx, cx);
  EXPECT_EQ(NativeSize(h).cy, cy);
  RECT c;
  GetClientRect(h, &c);
  EXPECT_LE(c.right, cx);
  EXPECT_LE(c.bottom, cy);
  // A size within the bound is taken as it comes.
  ev.width = 400;
  ev.height = 321;
  platform::HeadlessPush(host(), ev);
  Drain();
  EXPECT_EQ(OuterSize(h).cx, 400);
  EXPECT_EQ(OuterSize(h).cy, 321);
  DestroyWindow(h);
}

}  // namespace
