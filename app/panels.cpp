// The control panels drawn below the ground line: the left panel, the selector
// column and the right panel, their hit test and their commands.
#include <climits>

#include "garden.h"
#include "kx507.h"

// Rows are 25 units high; row r runs from y = -10 - 25r down to y = -35 - 25r.
static int RowTop(int row) { return -10 - 25 * row; }
static int RowBottom(int row) { return -35 - 25 * row; }

static const char* const LeftLabels[9] = {"GO",      "Stop",      "Faster",  "Slower",   "Gliding",
                                          "Hopping", "New Color", "Add Bug", "Controler"};
static const int LeftLabelColors[8] = {3, 2, 0, 0, 0, 0, 0, 0};
static const char* const RightLabels[5] = {"Disco Bug", "Disco Party", "Bug Spray", "Exterminate",
                                           "Size Me"};

// The "Controler" row is gray while the selector column is shown.
static int LeftRowColor(int row, int controller_on) {
  if (row == 8) return controller_on == 1 ? 23 : 0;
  return 0;
}

static int LeftLabelColor(int row, int controller_on) {
  if (row == 8) return controller_on == 1 ? 23 : 0;
  return LeftLabelColors[row];
}

void DrawLeftPanel(int controller_on) {
  for (int r = 0; r < 9; r++) {
    DrawRectangle(LeftRowColor(r, controller_on), -290, RowTop(r), -215, RowBottom(r), 2);
  }
  for (int r = 0; r < 9; r++) {
    PrintText(LeftLabelColor(r, controller_on), -280, -28 - 25 * r, 12, "%s", LeftLabels[r]);
  }
}

void DrawSelectorColumn(int& selected, int& last_bug, int highlight) {
  for (int i = 0; i <= last_bug; i++) {
    int color = i == selected ? highlight : 0;
    DrawRectangle(color, -210, RowTop(i), -135, RowBottom(i), 2);
    PrintText(color, -173, -29 - 25 * i, 14, "%d", i + 1);
  }
  DrawLine(highlight, -210, RowBottom(selected), -135, RowBottom(selected), 2);
}

void DrawRightPanel(void) {
  for (int r = 0; r < 5; r++) DrawRectangle(0, 290, RowTop(r), 215, RowBottom(r), 2);
  for (int r = 0; r < 5; r++) PrintText(0, 225, -28 - 25 * r, 12, "%s", RightLabels[r]);
}

int HitTestPanels(int x, int y, int last_bug, int controller_on) {
  if (-290 < x && x < -215 && -235 < y && y < -10) return 1;
  if (controller_on != 0 && -210 < x && x < -135 && -10 - 25 * (last_bug + 1) < y && y < -10) {
    return 1;
  }
  if (215 < x && x < 290 && -135 < y && y < -10) return 1;
  return 0;
}

// Row of a click, truncating toward zero. Worked out in 64 bits so that any y the
// caller passes gives a row (out of range for far-off clicks) instead of overflowing.
static long long ClickRow(int y) { return (-10 - (long long)y) / 25; }

void ShowInternalError(void) { PrintText(2, 0, 0, 16, "INTERNAL ERROR!"); }

static void LeftCommand(int row, BugRecord* bugs, int& selected, int& last_bug,
                        int& controller_on) {
  BugRecord& bug = bugs[selected];
  switch (row) {
    case 0:  // GO
      bug.moving = 1;
      break;
    case 1:  // Stop
      bug.moving = 0;
      break;
    case 2:  // Faster: no ceiling, but the count must not wrap to a negative speed
      if (bug.speed < INT_MAX) bug.speed = bug.speed + 1;
      break;
    case 3:  // Slower
      bug.speed = bug.speed - 1;
      if (bug.speed < 0) bug.speed = 0;
      break;
    case 4:  // Gliding: the height stays as it is until the bug re-enters
      bug.hopping = 0;
      break;
    case 5:  // Hopping
      bug.hopping = 1;
      break;
    case 6:  // New Color
      bug.color = (bug.color + 1) % ColorCycle;
      break;
    case 7:  // Add Bug: the record comes back as it was
      if (last_bug < BugCount - 1) {
        last_bug = last_bug + 1;
        selected = last_bug;
      }
      break;
    case 8:  // Controler
      controller_on = controller_on == 0 ? 1 : 0;
      break;
  }
}

static void RightCommand(int row, BugRecord* bugs, int& selected, int& last_bug, int& disco_party) {
  BugRecord& bug = bugs[selected];
  switch (row) {
    case 0:  // Disco Bug
      bug.disco = bug.disco == 0 ? 1 : 0;
      break;
    case 1:  // Disco Party
      disco_party = disco_party == 0 ? 1 : 0;
      break;
    case 2:  // Bug Spray: removed records stay as they are
      if (last_bug > 0) {
        last_bug = last_bug - 1;
        if (selected > last_bug) selected = last_bug;
      }
      break;
    case 3:  // Exterminate
      last_bug = 0;
      selected = 0;
      break;
    case 4: {  // Size Me: the cycle still holds the value that chose the present size
      int pick = bug.size_cycle % 3;
      bug.size = pick == 1 ? 20 : pick == 2 ? 10 : 16;
      bug.size_cycle = bug.size_cycle + 1;
      break;
    }
  }
}

void DoPanelCommand(int x, int y, BugRecord* bugs, int& selected, int& last_bug, int& controller_on,
                    int& disco_party) {
  long long row = ClickRow(y);
  if (-290 < x && x < -215) {
    if (row < 0 || row > 8) {
      ShowInternalError();
      return;
    }
    LeftCommand((int)row, bugs, selected, last_bug, controller_on);
  } else if (-210 < x && x < -135) {
    // The hit test keeps the row in range; a row past the garden would leave
    // `selected` pointing outside the bug table.
    if (row < 0 || row > last_bug) {
      ShowInternalError();
      return;
    }
    selected = (int)row;
  } else if (215 < x && x < 290) {
    if (row < 0 || row > 4) {
      ShowInternalError();
      return;
    }
    RightCommand((int)row, bugs, selected, last_bug, disco_party);
  }
}
