// A session of the bug garden recorded through its main loop into "KX507.SCR" and played
// back into a freshly set-up garden must end in exactly the state it was recorded in.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "event_script.h"
#include "garden.h"
#include "kx507.h"
#include "runtime_state.h"
#include "support/garden_driver.h"

namespace {

// Runtime coordinates of the buttons: rows are 25 units high, starting 10 below the
// horizon.
int RowY(int row) { return -22 - 25 * row; }
enum { LeftX = -250, SelectorX = -170, RightX = 250 };
enum LeftRow { Go, Stop, Faster, Slower, Gliding, Hopping, NewColor, AddBug, Controller };
enum RightRow { DiscoBug, DiscoParty, BugSpray, Exterminate, SizeMe };

class ScriptRoundTrip : public ::testing::Test {
 public:
  void SetUp() override {
    garden_.Start();
    // Time is the WM_TIMER messages the test posts, nothing else.
    KillTimer(draw_window, AnimationTimerId);
  }

  void TearDown() override { CloseRuntime(); }

  void Pass() { garden_.Pass(); }

  static void Post(UINT message, WPARAM wparam, LPARAM lparam) {
    PostMessageA(draw_window, message, wparam, lparam);
  }

  // One pass per event. A tick needs two timer messages: the wait's commit discards the
  // first one dispatched with it.
  void Tick() {
    garden_.Tick();
    ++events_;
  }
  void Click(int x, int y) {
    garden_.Click(x, y);
    ++events_;
  }
  void Key(int code) {
    garden_.Key(code);
    ++events_;
  }

  // Record Script on: the command is dispatched in the wait of the next event.
  void StartRecording() { Post(WM_COMMAND, CommandRecordScript, 0); }

  // Record Script off, in a pass that a live key ends (that key is not recorded).
  void StopRecording() {
    Post(WM_COMMAND, CommandRecordScript, 0);
    Post(WM_CHAR, 'z', 0);
    Pass();
    ASSERT_EQ(recording, 0);
  }

  // The garden as the main routine sets it up, on the runtime already open.
  void ResetGarden() {
    control_ = ControlState{};
    done_ = 0;
    SetRunMode(RunAnimate);
    SetUpBugs(bugs_);
    ClearWindow();
    DrawFirstPicture(bugs_, control_);
  }

  // Plays back as many events as were recorded, one pass each.
  void PlayBack() {
    Post(WM_COMMAND, CommandPlaybackScript, 0);
    for (int i = 0; i < events_; ++i) {
      Pass();
      ASSERT_EQ(playing_back, 1) << "the script ended after " << i << " of " << events_
                                 << " events";
    }
  }

  static void ExpectSameGarden(const BugRecord* expected, const ControlState& expected_control,
                               const BugRecord* actual, const ControlState& actual_control) {
    for (int i = 0; i < BugCount; ++i) {
      const BugRecord& e = expected[i];
      const BugRecord& a = actual[i];
      EXPECT_EQ(a.x, e.x) << "bug " << i;
      EXPECT_EQ(a.y, e.y) << "bug " << i;
      EXPECT_EQ(a.color, e.color) << "bug " << i;
      EXPECT_EQ(a.steps, e.steps) << "bug " << i;
      EXPECT_EQ(a.speed, e.speed) << "bug " << i;
      EXPECT_EQ(a.hopping, e.hopping) << "bug " << i;
      EXPECT_EQ(a.moving, e.moving) << "bug " << i;
      EXPECT_EQ(a.size, e.size) << "bug " << i;
      EXPECT_EQ(a.size_cycle, e.size_cycle) << "bug " << i;
      EXPECT_EQ(a.disco, e.disco) << "bug " << i;
    }
    EXPECT_EQ(actual_control.selected, expected_control.selected);
    EXPECT_EQ(actual_control.last_bug, expected_control.last_bug);
    EXPECT_EQ(actual_control.controller_on, expected_control.controller_on);
    EXPECT_EQ(actual_control.disco_party, expected_control.disco_party);
    EXPECT_EQ(actual_control.sky_shift, expected_control.sky_shift);
    EXPECT_EQ(actual_control.frame_no, expected_control.frame_no);
    EXPECT_EQ(actual_control.loop_count, expected_control.loop_count);
  }

  GardenDriver garden_;
  BugRecord* const bugs_ = garden_.bugs;
  ControlState& control_ = garden_.control;
  int& done_ = garden_.done;
  int events_ = 0;
};

TEST_F(ScriptRoundTrip, ASessionOfEveryCommandPlaysBackIntoTheSameGarden) {
  StartRecording();
  for (int i = 0; i < 5; ++i) Tick();
  Click(LeftX, RowY(AddBug));
  Click(LeftX, RowY(AddBug));
  Click(LeftX, RowY(AddBug));
  Click(LeftX, RowY(Controller));
  Click(SelectorX, RowY(1));
  Click(LeftX, RowY(Faster));
  Click(LeftX, RowY(Faster));
  Click(LeftX, RowY(Hopping));
  Click(LeftX, RowY(NewColor));
  Key('a');
  Key(233);
  for (int i = 0; i < 40; ++i) Tick();
  Click(RightX, RowY(DiscoBug));
  Click(RightX, RowY(DiscoParty));
  Click(RightX, RowY(SizeMe));
  Click(SelectorX, RowY(2));
  Click(LeftX, RowY(Stop));
  Click(LeftX, RowY(Slower));
  for (int i = 0; i < 25; ++i) Tick();
  Click(RightX, RowY(BugSpray));
  Click(0, 100);  // the sky: no command
  Key(13);
  for (int i = 0; i < 7; ++i) Tick();

  BugRecord recorded[BugCount];
  memcpy(recorded, bugs_, sizeof recorded);
  ControlState recorded_control = control_;
  StopRecording();
  // The session did change the garden; otherwise the comparison below proves nothing.
  ASSERT_EQ(recorded_control.frame_no, 77);
  ASSERT_EQ(recorded_control.last_bug, 2);
  ASSERT_EQ(recorded_control.disco_party, 1);
  ASSERT_EQ(recorded[1].hopping, 1);
  ASSERT_EQ(recorded[1].speed, 7);
  ASSERT_EQ(recorded[2].moving, 0);

  ResetGarden();
  ASSERT_EQ(control_.frame_no, 0);
  PlayBack();
  ExpectSameGarden(recorded, recorded_control, bugs_, control_);
}

TEST_F(ScriptRoundTrip, SixThousandTicksAndTwoHundredClicksAndKeysPlayBackExactly) {
  // A fixed pseudo-random session: every run of the test plays the same one.
  unsigned int seed = 12345u;
  auto next = [&seed](unsigned int range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  const int ticks = 6000;
  const int inputs = 200;
  int ticks_left = ticks;
  int inputs_left = inputs;
  StartRecording();
  while (ticks_left + inputs_left > 0) {
    if (inputs_left > 0 && next((unsigned)(ticks_left + inputs_left)) < (unsigned)inputs_left) {
      --inputs_left;
      switch (next(4)) {
        case 0:
          Click(LeftX, RowY((int)next(9)));
          break;
        case 1:
          Click(RightX, RowY((int)next(5)));
          break;
        case 2:
          Click(SelectorX, RowY((int)next(9)));
          break;
        default:
          Key((int)next(256));
          break;
      }
    } else {
      --ticks_left;
      Tick();
    }
  }
  ASSERT_EQ(events_, ticks + inputs);
  ASSERT_EQ(control_.loop_count, ticks + inputs);

  BugRecord recorded[BugCount];
  memcpy(recorded, bugs_, sizeof recorded);
  ControlState recorded_control = control_;
  StopRecording();

  ResetGarden();
  PlayBack();
  ExpectSameGarden(recorded, recorded_control, bugs_, control_);
}

}  // namespace
