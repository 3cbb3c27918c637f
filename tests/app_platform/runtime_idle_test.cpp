// The halted runtime sleeps through the animation timer: once a tick is noted, more
// ticks change nothing, so the wait asks the host to wake only for input.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "host/host.h"
#include "runtime_state.h"
#include "user/user_state.h"

namespace {

// The headless host on its virtual clock, counting the waits with a deadline. A wait
// without one would never end here: it gets a click instead, as if the user clicked
// while the program slept. So does the fiftieth wait with a deadline, so that a wait
// that keeps waking for ticks ends too and the counts tell.
class SleepCountingHost final : public platform::Host {
 public:
  SleepCountingHost() : inner_(platform::MakeHeadlessHost()) {
    platform::HeadlessSetVirtualClock(*inner_, true);
  }
  const char* Name() const override { return "counting"; }
  platform::NativeId CreateNative(const char* title, int x, int y, int w, int h,
                                  bool resizable) override {
    return inner_->CreateNative(title, x, y, w, h, resizable);
  }
  void ShowNative(platform::NativeId id, bool visible) override { inner_->ShowNative(id, visible); }
  void MoveNative(platform::NativeId id, int x, int y, int w, int h) override {
    inner_->MoveNative(id, x, y, w, h);
  }
  void DestroyNative(platform::NativeId id) override { inner_->DestroyNative(id); }
  void Present(platform::NativeId id, const platform::Surface& frame, const RECT* changed,
               int count) override {
    inner_->Present(id, frame, changed, count);
  }
  bool PollEvent(platform::NativeEvent* event) override { return inner_->PollEvent(event); }
  void WaitEvent(int64_t deadline_ms) override {
    if (deadline_ms < 0) {
      ++endless_waits;
      Click();
      return;
    }
    if (++timed_waits % 50 == 0) {
      Click();
      return;
    }
    inner_->WaitEvent(deadline_ms);
  }
  int ScreenWidth() const override { return inner_->ScreenWidth(); }
  int ScreenHeight() const override { return inner_->ScreenHeight(); }
  int64_t NowMs() override { return inner_->NowMs(); }

  void Click() {
    platform::NativeEvent e;
    e.kind = platform::NativeEvent::MouseDown;
    e.window = platform::LookupWindow(draw_window)->native;
    e.button = 1;
    e.x = 300, e.y = 200;
    platform::HeadlessPush(*inner_, e);
    e.kind = platform::NativeEvent::MouseUp;
    platform::HeadlessPush(*inner_, e);
  }

  int endless_waits = 0;
  int timed_waits = 0;

 private:
  std::unique_ptr<platform::Host> inner_;
};

int Await() {
  int x = 0, y = 0;
  signed char key = 0;
  return AwaitEvent(&x, &y, &key);
}

TEST(RuntimeIdle, HaltedWaitSleepsThroughTicksAndWakesForInput) {
  auto owned = std::make_unique<SleepCountingHost>();
  SleepCountingHost& host = *owned;
  platform::SetHost(std::move(owned));
  ASSERT_EQ(OpenRuntime(NULL, NULL, (LPSTR) "", SW_SHOWNORMAL), 1);
  SetRunMode(RunHalt);

  // One tick is waited for and noted; after it the wait has no deadline.
  host.timed_waits = host.endless_waits = 0;
  EXPECT_EQ(Await(), EventMouse);
  EXPECT_EQ(tick_pending, 1);
  EXPECT_EQ(host.endless_waits, 1);
  EXPECT_LE(host.timed_waits, 2);
  // Mouse-up comes next; the wait after it sleeps without a deadline at once.
  host.timed_waits = host.endless_waits = 0;
  EXPECT_EQ(Await(), EventMouse);
  EXPECT_EQ(host.timed_waits, 0);

  // A single step still gets its tick from the timer, and so does animating.
  SetRunMode(RunOneFrame);
  int64_t start = host.NowMs();
  EXPECT_EQ(Await(), EventPeriodic);
  EXPECT_LE(host.NowMs() - start, AnimationPeriodMs);
  SetRunMode(RunAnimate);
  start = host.NowMs();
  EXPECT_EQ(Await(), EventPeriodic);
  EXPECT_EQ(Await(), EventPeriodic);
  EXPECT_LE(host.NowMs() - start, 2 * AnimationPeriodMs);
  EXPECT_GT(host.NowMs() - start, 0);

  // Halted after a commit: the committed tick still comes, from the timer.
  SetRunMode(RunHalt);
  SetRunMode(RunOneFrame);
  EXPECT_EQ(Await(), EventPeriodic);
  CloseRuntime();
}

}  // namespace
