// The bug garden: its data and the procedures of the application. All state lives
// in the main routine and is handed to these procedures on every call.
#pragma once

#include <windows.h>

#include "kx507.h"

// One bug: ten 32-bit integers in this fixed order (DrawBug takes them by value).
struct BugRecord {
  int x;           // centre line of the figure, runtime coordinates
  int y;           // height above the ground line (hopping)
  int color;       // body colour index 0..23
  int steps;       // ticks since the bug last entered at the right: the hop phase
  int speed;       // units to the left per tick
  int hopping;     // 1 hopping, 0 gliding
  int moving;      // 1 moves on each tick, 0 stopped
  int size;        // 10, 16 or 20
  int size_cycle;  // size_cycle mod 3 picks the size: 1 -> 20, 2 -> 10, 0 -> 16
  int disco;       // 1: the colour steps on every redraw
};

enum { BugCount = 9, ColorCycle = ColorCount };

// The application's control variables, all 0 at start-up.
struct ControlState {
  int selected;       // the bug the panel commands act on, 0..last_bug
  int last_bug;       // highest index of a bug in the garden, 0..8
  int controller_on;  // 1 shows the selector column
  int disco_party;    // 1 cycles the scenery's colours
  int sky_shift;      // colour offset for the scenery, 0 and up
  int frame_no;       // scenery frame, 0..650
  int loop_count;     // loop passes so far
};

// trunc(2.5 * size).
int BugLength(int size);
// The size a size_cycle value picks: mod 3 gives 1 -> 20, 2 -> 10, 0 -> 16.
int SizeFromCycle(int size_cycle);

// Main loop and bug table
int GardenMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode);
// The main routine in pieces, so tests can drive it between passes.
void StartGarden(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode,
                 BugRecord* bugs, ControlState& control, int& done);
void SetUpBugs(BugRecord* bugs);
void DrawFirstPicture(BugRecord* bugs, ControlState& control);
void RunLoopPass(BugRecord* bugs, ControlState& control, int& done, int& event_x, int& event_y,
                 signed char& event_key);
void RedrawGarden(BugRecord* bugs, ControlState& control);

// Scenery
void DrawScenery(int& sky_shift, int& frame_no);

// Bug figure and motion
void DrawBug(BugRecord bug, int index);
void MoveBug(BugRecord* bugs, int index);
void DrawBugs(BugRecord* bugs, int& last_bug);

// Control panels
void DrawLeftPanel(int controller_on);
void DrawSelectorColumn(int& selected, int& last_bug, int highlight);
void DrawRightPanel(void);
int HitTestPanels(int x, int y, int last_bug, int controller_on);
void DoPanelCommand(int x, int y, BugRecord* bugs, int& selected, int& last_bug, int& controller_on,
                    int& disco_party);
void ShowInternalError(void);
