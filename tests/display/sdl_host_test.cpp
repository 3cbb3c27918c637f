// The desktop host on a real X server (tests/e2e/with_display.bash gives it a private
// Xvfb): a wait sleeps until its deadline or until the server sends something, an event
// that came meanwhile is taken by the next poll, and presented parts reach the window.
// host.h and gtest come before Xlib: its headers define None, Bool and the like as macros.
// clang-format off
#include <gtest/gtest.h>
#include "host/host.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

using platform::NativeEvent;

// The X window with this name, anywhere below the root (a manager may frame it).
::Window FindNamed(Display* d, ::Window under, const char* name) {
  char* got = nullptr;
  if (XFetchName(d, under, &got) && got) {
    const bool same = std::strcmp(got, name) == 0;
    XFree(got);
    if (same) return under;
  }
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, under, &root, &parent, &children, &n)) return 0;
  ::Window found = 0;
  for (unsigned i = 0; i < n && !found; ++i) found = FindNamed(d, children[i], name);
  if (children) XFree(children);
  return found;
}

// A window not on the screen yet answers GetImage with an error: that is a "not yet".
int IgnoreError(Display*, XErrorEvent*) { return 0; }

bool Viewable(Display* d, ::Window w) {
  XWindowAttributes a{};
  return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

class SdlHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = platform::MakeSdlHost();
    ASSERT_NE(host, nullptr) << "no display: run through tests/e2e/with_display.bash";
    other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    XSetErrorHandler(IgnoreError);
    const std::string title =
        std::string("host-test-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    id = host->CreateNative(title.c_str(), 20, 20, 200, 150, false);
    ASSERT_NE(id, 0u);
    host->ShowNative(id, true);
    // Until the window is on the screen and the events of its showing are taken.
    for (int i = 0; i < 200 && !(xwin && Viewable(other, xwin)); ++i) {
      Drain(20);
      xwin = FindNamed(other, DefaultRootWindow(other), title.c_str());
    }
    ASSERT_NE(xwin, 0u);
    ASSERT_TRUE(Viewable(other, xwin));
    Drain(200);
  }
  void TearDown() override {
    if (host && id) host->DestroyNative(id);
    host.reset();
    if (other) XCloseDisplay(other);
  }
  // Takes every event for ms milliseconds.
  void Drain(int ms) {
    const int64_t end = host->NowMs() + ms;
    NativeEvent e;
    while (host->NowMs() < end) {
      host->WaitEvent(end);
      while (host->PollEvent(&e)) {
      }
    }
  }
  // An expose event for the window from another client, as the server would send it.
  void SendExpose() {
    XEvent e{};
    e.xexpose.type = Expose;
    e.xexpose.window = xwin;
    e.xexpose.width = 10;
    e.xexpose.height = 10;
    XSendEvent(other, xwin, False, ExposureMask, &e);
    XFlush(other);
  }
  // The window's pixel as the server holds it.
  uint32_t ScreenPixel(int x, int y) {
    XImage* image = XGetImage(other, xwin, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFF;
    const uint32_t p = uint32_t(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  }
  bool Shows(int x, int y, uint32_t pixel) {
    for (int i = 0; i < 100; ++i) {
      if (ScreenPixel(x, y) == pixel) return true;
      Drain(20);
    }
    return false;
  }

  std::unique_ptr<platform::Host> host;
  Display* other = nullptr;
  platform::NativeId id = 0;
  ::Window xwin = 0;
};

TEST_F(SdlHostTest, AWaitWithNothingComingEndsAtItsDeadlineAndNotBefore) {
  for (int ms : {1, 30, 120}) {
    const int64_t deadline = host->NowMs() + ms;
    host->WaitEvent(deadline);
    EXPECT_GE(host->NowMs(), deadline) << ms;
    NativeEvent e;
    EXPECT_FALSE(host->PollEvent(&e)) << ms;
  }
  // A deadline already past returns at once.
  host->WaitEvent(host->NowMs() - 5);
}

TEST_F(SdlHostTest, AnEventFromTheServerEndsTheWaitEarly) {
  const int64_t start = host->NowMs();
  std::thread sender([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    SendExpose();
  });
  host->WaitEvent(start + 10000);
  sender.join();
  EXPECT_LT(host->NowMs(), start + 10000);
  NativeEvent e;
  bool exposed = false;
  for (int i = 0; i < 50 && !exposed; ++i) {
    while (host->PollEvent(&e)) exposed |= e.kind == NativeEvent::Exposed && e.window == id;
    if (!exposed) host->WaitEvent(host->NowMs() + 20);
  }
  EXPECT_TRUE(exposed);
}

TEST_F(SdlHostTest, AnEventThatCameWhileBusyIsTakenByTheNextPoll) {
  NativeEvent e;
  for (int round = 0; round < 3; ++round) {
    SendExpose();
    XSync(other, False);
    // Busy elsewhere, not waiting in the host, while the event arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    bool exposed = false;
    while (host->PollEvent(&e)) exposed |= e.kind == NativeEvent::Exposed;
    EXPECT_TRUE(exposed) << round;
  }
}

TEST_F(SdlHostTest, PresentedPartsReachTheWindowExactly) {
  // A frame of the native window's size (a manager's frame takes the rest of the box).
  XWindowAttributes a{};
  ASSERT_TRUE(XGetWindowAttributes(other, xwin, &a));
  const int w = a.width, h = a.height;
  ASSERT_GT(w, 30);
  ASSERT_GT(h, 20);
  platform::Surface frame(w, h, 0x102030);
  host->Present(id, frame, nullptr, 0);
  ASSERT_TRUE(Shows(0, 0, 0x102030));
  ASSERT_TRUE(Shows(w - 1, h - 1, 0x102030));
  // Only the part said to have changed is shown again.
  for (int y = 10; y < 14; ++y)
    for (int x = 0; x < w; ++x) frame.pixels[size_t(y) * size_t(w) + size_t(x)] = 0xC08040;
  RECT part = {5, 10, 20, 14};
  host->Present(id, frame, &part, 1);
  EXPECT_TRUE(Shows(5, 10, 0xC08040));
  EXPECT_TRUE(Shows(19, 13, 0xC08040));
  EXPECT_EQ(ScreenPixel(4, 10), 0x102030u);
  EXPECT_EQ(ScreenPixel(20, 13), 0x102030u);
  EXPECT_EQ(ScreenPixel(5, 14), 0x102030u);
  // The whole frame again shows all of it.
  host->Present(id, frame, nullptr, 0);
  EXPECT_TRUE(Shows(w - 1, 12, 0xC08040));
  // A frame smaller than the window leaves a light strip, not stale pixels.
  platform::Surface small(w - 10, h, 0x405060);
  host->Present(id, small, nullptr, 0);
  EXPECT_TRUE(Shows(w - 11, 12, 0x405060));
  EXPECT_TRUE(Shows(w - 5, 12, 0xF0F0F0));
}

}  // namespace
