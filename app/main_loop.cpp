// The main routine: start-up, the event loop and shut-down. The bug table and the
// control variables live here and are handed to the other procedures.
#include <climits>

#include "garden.h"
#include "kx507.h"

int BugLength(int size) { return (int)(2.5 * (double)size); }

int SizeFromCycle(int size_cycle) {
  int pick = size_cycle % 3;
  return pick == 1 ? 20 : pick == 2 ? 10 : 16;
}

void SetUpBugs(BugRecord* bugs) {
  for (int i = 0; i < BugCount; i++) {
    BugRecord& bug = bugs[i];
    bug.size_cycle = i;
    bug.size = SizeFromCycle(bug.size_cycle);
    bug.x = 300 - BugLength(bug.size) / 2;
    bug.y = 0;
    bug.hopping = 0;
    bug.speed = 5;
    bug.color = ColorRed + i;
    bug.moving = 1;
    bug.steps = 0;
    bug.disco = 0;
  }
}

// The first picture has no right panel and no selector column: they come with the
// first loop pass.
void DrawFirstPicture(BugRecord* bugs, ControlState& control) {
  DrawScenery(control.sky_shift, control.frame_no);
  DrawLeftPanel(0);
  DrawBug(bugs[0], 0);
}

void StartGarden(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode,
                 BugRecord* bugs, ControlState& control, int& done) {
  control = ControlState{};
  done = 0;
  OpenRuntime(instance, previous, command_line, show_mode);
  SetLogging(0);
  ClearWindow();
  SetRunMode(RunAnimate);
  SetUpBugs(bugs);
  DrawFirstPicture(bugs, control);
}

void RedrawGarden(BugRecord* bugs, ControlState& control) {
  DrawScenery(control.sky_shift, control.frame_no);
  DrawLeftPanel(control.controller_on);
  if (control.controller_on == 1) {
    // The highlight is read before DrawBugs steps a disco bug's colour.
    DrawSelectorColumn(control.selected, control.last_bug, bugs[control.selected].color);
  }
  DrawRightPanel();
  DrawBugs(bugs, control.last_bug);
}

void RunLoopPass(BugRecord* bugs, ControlState& control, int& done, int& event_x, int& event_y,
                 signed char& event_key) {
  int kind = AwaitEvent(&event_x, &event_y, &event_key);
  switch (kind) {
    case EventMouse:
      if (HitTestPanels(event_x, event_y, control.last_bug, control.controller_on) == 1) {
        DoPanelCommand(event_x, event_y, bugs, control.selected, control.last_bug,
                       control.controller_on, control.disco_party);
      }
      break;
    case EventPeriodic:
      for (int i = 0; i <= control.last_bug; i++) {
        if (bugs[i].moving == 1) MoveBug(bugs, i);
      }
      control.frame_no++;
      break;
    case EventQuit:
      done = 1;
      break;
    default:  // keys and anything else only cause the redraw
      break;
  }
  // Both counters run for years without bound; near the top of the int range they
  // step back by a multiple of 3 and of 24, which keeps the rhythm and the colours.
  control.loop_count =
      control.loop_count < INT_MAX ? control.loop_count + 1 : control.loop_count % 3 + 1;
  if (control.disco_party == 1) {
    if (control.loop_count % 3 == 0) {
      control.sky_shift =
          control.sky_shift < INT_MAX ? control.sky_shift + 1 : control.sky_shift % ColorCycle + 1;
    }
  } else if (control.disco_party == 0) {
    control.sky_shift = 0;
  }
  // Also on the quit pass: the last picture is complete before the runtime closes.
  RedrawGarden(bugs, control);
}

int GardenMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  BugRecord bugs[BugCount];
  ControlState control;
  int done;
  int event_x = 0;
  int event_y = 0;
  signed char event_key = 0;
  StartGarden(instance, previous, command_line, show_mode, bugs, control, done);
  while (done == 0) RunLoopPass(bugs, control, done, event_x, event_y, event_key);
  CloseRuntime();
  return 0;
}
