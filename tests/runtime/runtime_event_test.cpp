// The event wait: clicks, characters, ticks and quit, the run modes, the Run menu's
// commands and their Ctrl shortcuts.
#include "event_script.h"
#include "runtime_support.h"

namespace {

void PostKeyDown(HWND window, WPARAM code) { PostMessageA(window, WM_KEYDOWN, code, 1); }
void PostKeyUp(HWND window, WPARAM code) { PostMessageA(window, WM_KEYUP, code, 0xC0000001); }

TEST(RuntimeEvents, ClicksAreMappedToRuntimeCoordinates) {
  OpenForTest(true);
  Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventMouse);
  EXPECT_EQ(event.x, -origin.x);
  EXPECT_EQ(event.y, origin.y);
  EXPECT_EQ(event.key, 0);

  Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(origin.x, origin.y));
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventMouse);
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.y, 0);

  Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(origin.x + 17, origin.y + 5));
  event = WaitForEvent();
  EXPECT_EQ(event.x, 17);
  EXPECT_EQ(event.y, -5);

  // The halves of lparam are read as unsigned numbers.
  Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(65535, 40000));
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventMouse);
  EXPECT_EQ(event.x, 65535 - origin.x);
  EXPECT_EQ(event.y, origin.y - 40000);
}

TEST(RuntimeEvents, CharactersAreSignedBytes) {
  OpenForTest(true);
  Post(WM_CHAR, 'a', 1);
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
  EXPECT_EQ(event.key, 97);
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.y, 0);

  Post(WM_CHAR, 233, 1);
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
  EXPECT_EQ(event.key, -23);

  // Control characters count as well.
  Post(WM_CHAR, 0x1B, 1);
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
  EXPECT_EQ(event.key, 27);
}

TEST(RuntimeEvents, CtrlShortcutActsAndSwallowsTheCharacter) {
  OpenForTest(true);
  PostKeyDown(draw_window, VK_CONTROL);
  PostKeyDown(draw_window, 'A');
  Post(WM_CHAR, 1, 1);  // what Ctrl+A types
  Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(origin.x, origin.y));
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventMouse);
  EXPECT_EQ(animating, 1);
  EXPECT_EQ(ctrl_down, 1);

  // Once Ctrl is up, characters count again and letters are plain keys.
  SetRunMode(RunHalt);
  PostKeyUp(draw_window, VK_CONTROL);
  PostKeyDown(draw_window, 'A');
  Post(WM_CHAR, 'z', 1);
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
  EXPECT_EQ(event.key, 'z');
  EXPECT_EQ(ctrl_down, 0);
  EXPECT_EQ(animating, 0);
}

struct CommandCase {
  WPARAM letter;
  int id;
};

// Each command from the menu and from its shortcut, checked on the state it changes.
TEST(RuntimeEvents, MenuCommandsAndShortcutsHaveTheSameEffect) {
  OpenForTest(true);
  for (int via_shortcut = 0; via_shortcut < 2; ++via_shortcut) {
    SCOPED_TRACE(via_shortcut ? "shortcut" : "menu");
    auto run = [&](WPARAM letter, WPARAM id) {
      if (via_shortcut) {
        DrawWindowProc(draw_window, WM_KEYDOWN, VK_CONTROL, 1);
        EXPECT_EQ(DrawWindowProc(draw_window, WM_KEYDOWN, letter, 1), 0);
        DrawWindowProc(draw_window, WM_KEYUP, VK_CONTROL, 0xC0000001);
      } else {
        EXPECT_EQ(DrawWindowProc(draw_window, WM_COMMAND, id, 0), 0);
      }
    };
    animating = 0;
    single_step = 0;
    run('A', 1);
    EXPECT_EQ(animating, 1);
    single_step = 1;
    run('H', 2);
    EXPECT_EQ(animating, 0);
    EXPECT_EQ(single_step, 1);
    animating = 1;
    single_step = 0;
    run('F', 3);
    EXPECT_EQ(animating, 0);
    EXPECT_EQ(single_step, 1);

    run('L', 4);
    EXPECT_EQ(logging, 0);
    EXPECT_EQ(GetMenuState(run_menu, CommandLogging, MF_BYCOMMAND) & MF_CHECKED, 0u);
    run('L', 4);
    EXPECT_EQ(logging, 1);
    EXPECT_EQ(GetMenuState(run_menu, CommandLogging, MF_BYCOMMAND) & MF_CHECKED, (UINT)MF_CHECKED);

    // Recording on and off again with no event in between touches no file.
    run('R', 5);
    EXPECT_EQ(recording, 1);
    EXPECT_NE(GetMenuState(run_menu, CommandRecordScript, MF_BYCOMMAND) & MF_CHECKED, 0u);
    run('R', 5);
    EXPECT_EQ(recording, 0);

    animating = 1;
    single_step = 1;
    run('O', 7);
    EXPECT_EQ(play_one, 1);
    EXPECT_EQ(animating, 0);
    EXPECT_EQ(single_step, 0);
    play_one = 0;

    animating = 1;
    run('P', 6);
    EXPECT_EQ(playing_back, 1);
    EXPECT_EQ(animating, 0);
    run('P', 6);
    EXPECT_EQ(playing_back, 0);
  }
  // Other ids and other keys do nothing.
  animating = 0;
  single_step = 0;
  DrawWindowProc(draw_window, WM_COMMAND, CommandInfoLine, 0);
  DrawWindowProc(draw_window, WM_COMMAND, 0x10001, 0);
  DrawWindowProc(draw_window, WM_KEYDOWN, 'A', 1);  // no Ctrl
  DrawWindowProc(draw_window, WM_KEYDOWN, VK_CONTROL, 1);
  DrawWindowProc(draw_window, WM_KEYDOWN, 'B', 1);
  EXPECT_EQ(animating, 0);
  EXPECT_EQ(single_step, 0);
  EXPECT_EQ(logging, 1);
}

TEST(RuntimeEvents, LoggingCommandNeverShowsTheLogWindow) {
  OpenForTest(true);
  ShowLogWindow(0);
  Post(WM_COMMAND, CommandLogging, 0);
  PumpUntilIdle();
  EXPECT_EQ(logging, 0);
  Post(WM_COMMAND, CommandLogging, 0);
  PumpUntilIdle();
  EXPECT_EQ(logging, 1);
  EXPECT_FALSE(IsWindowVisible(log_window));
}

TEST(RuntimeEvents, LogWindowPassesKeysOn) {
  OpenForTest(true);
  PostKeyDown(log_window, VK_CONTROL);
  PostKeyDown(log_window, 'A');
  PumpUntilIdle();
  EXPECT_EQ(ctrl_down, 1);
  EXPECT_EQ(animating, 1);

  PostKeyUp(log_window, VK_CONTROL);
  PumpUntilIdle();
  EXPECT_EQ(ctrl_down, 0);

  // A character key typed there reaches the wait as a character.
  SetRunMode(RunHalt);
  PostMessageA(log_window, WM_KEYDOWN, 'B', 1 | (0x30 << 16));
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
  EXPECT_EQ(event.key, 'b');
}

TEST(RuntimeEvents, SingleStepGivesExactlyOneTick) {
  OpenForTest(false);  // the real timer paces this one
  SetRunMode(RunHalt);
  SetRunMode(RunOneFrame);
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventPeriodic);
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.y, 0);
  EXPECT_EQ(event.key, 0);
  EXPECT_EQ(single_step, 0);
  EXPECT_EQ(animating, 0);

  // Two more ticks and a character: halted, only the character ends the wait.
  Post(WM_TIMER, AnimationTimerId, 0);
  Post(WM_TIMER, AnimationTimerId, 0);
  Post(WM_CHAR, 'k', 1);
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
  EXPECT_EQ(event.key, 'k');
}

TEST(RuntimeEvents, KeyBeatsAWaitingSingleStep) {
  OpenForTest(true);
  SetRunMode(RunOneFrame);
  Post(WM_NULL, 0, 0);  // the first pass commits to the step
  Post(WM_CHAR, 'x', 1);
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
  EXPECT_EQ(single_step, 0);
  // The step was committed and lost: no tick follows.
  Post(WM_TIMER, AnimationTimerId, 0);
  Post(WM_TIMER, AnimationTimerId, 0);
  Post(WM_CHAR, 'y', 1);
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
  EXPECT_EQ(event.key, 'y');
}

TEST(RuntimeEvents, TickOfTheCommittingPassIsDiscarded) {
  OpenForTest(true);
  SetRunMode(RunAnimate);
  // The first tick is dispatched in the pass that commits, so it is dropped; the second
  // ends the wait before the character is seen.
  Post(WM_TIMER, AnimationTimerId, 0);
  Post(WM_TIMER, AnimationTimerId, 0);
  Post(WM_CHAR, 'c', 1);
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventPeriodic);
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
  EXPECT_EQ(event.key, 'c');
}

TEST(RuntimeEvents, HaltAfterTheCommitStillDeliversTheTick) {
  OpenForTest(true);
  SetRunMode(RunAnimate);
  Post(WM_NULL, 0, 0);
  Post(WM_COMMAND, CommandHalt, 0);
  Post(WM_TIMER, AnimationTimerId, 0);
  Post(WM_CHAR, 'h', 1);
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventPeriodic);
  EXPECT_EQ(animating, 0);
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventKey);
}

TEST(RuntimeEvents, SetRunModeBeforeOpenChangesNothing) {
  for (int mode : {0, 1, 2, 5}) {
    EXPECT_EQ(SetRunMode(mode), 0) << mode;
  }
  EXPECT_EQ(animating, 0);
  EXPECT_EQ(single_step, 0);
  EXPECT_EQ(quit_requested, 0);
}

TEST(RuntimeEvents, SetRunModeModes) {
  OpenForTest(true);
  animating = 1;
  single_step = 1;
  for (int mode : {3, 4, 7, -1, 6, 100}) {
    EXPECT_EQ(SetRunMode(mode), 1) << mode;
    EXPECT_EQ(animating, 1) << mode;
    EXPECT_EQ(single_step, 1) << mode;
    EXPECT_EQ(quit_requested, 0) << mode;
  }
  EXPECT_EQ(SetRunMode(RunHalt), 1);
  EXPECT_EQ(animating, 0);
  EXPECT_EQ(single_step, 0);
  EXPECT_EQ(SetRunMode(RunOneFrame), 1);
  EXPECT_EQ(single_step, 1);
  EXPECT_EQ(animating, 0);
  single_step = 0;
  EXPECT_EQ(SetRunMode(RunAnimate), 1);
  EXPECT_EQ(animating, 1);
  EXPECT_EQ(single_step, 0);
}

TEST(RuntimeEvents, QuitRequestedStillWaitsForAnEvent) {
  OpenForTest(true);
  EXPECT_EQ(SetRunMode(RunQuit), 1);
  EXPECT_EQ(quit_requested, 1);
  Post(WM_CHAR, 'q', 1);
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventQuit);
  EXPECT_EQ(event.key, 'q');
  Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(origin.x + 3, origin.y));
  event = WaitForEvent();
  EXPECT_EQ(event.kind, EventQuit);
  EXPECT_EQ(event.x, 3);
}

TEST(RuntimeEvents, QuitFromTheMenu) {
  OpenForTest(true);
  Post(WM_COMMAND, CommandQuit, 0);
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventQuit);
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.y, 0);
  EXPECT_EQ(event.key, 0);
  EXPECT_EQ(quit_requested, 0);
}

TEST(RuntimeEvents, QuitFromCtrlQ) {
  OpenForTest(true);
  SetRunMode(RunAnimate);
  PostKeyDown(draw_window, VK_CONTROL);
  PostKeyDown(draw_window, 'Q');
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventQuit);
}

TEST(RuntimeEvents, QuitFromTheCloseBox) {
  OpenForTest(true);
  Post(WM_CLOSE, 0, 0);
  RuntimeEvent event = WaitForEvent();
  EXPECT_EQ(event.kind, EventQuit);
  EXPECT_FALSE(IsWindow(draw_window));
}

}  // namespace
