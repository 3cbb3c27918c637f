// The control panels drawn below the ground line: the left panel, the selector
// column and the right panel, their hit test and their commands.
#include <climits>

#include "garden.h"
#include "kx507.h"

// The panels' edges in runtime coordinates. Rows are 25 units high, starting just below
// the horizon strip: row r runs from y = -10 - 25r down to y = -35 - 25r.
enum {
  PanelTop = -10,
  RowHeight = 25,
  LeftPanelLeft = -290,
  LeftPanelRight = -215,
  SelectorLeft = -210,
  SelectorRight = -135,
  RightPanelLeft = 215,
  RightPanelRight = 290,
  LeftRows = 9,
  RightRows = 5,
  // Where the labels start, and the baseline offset of a label within its row.
  LeftLabelX = -280,
  SelectorLabelX = -173,
  RightLabelX = 225,
  PanelLabelDrop = 18,
  SelectorLabelDrop = 19,
  ControllerRow = 8
};
static int RowTop(int row) { return PanelTop - RowHeight * row; }
static int RowBottom(int row) { return RowTop(row + 1); }

static const char* const LeftLabels[LeftRows] = {
    "GO", "Stop", "Faster", "Slower", "Gliding", "Hopping", "New Color", "Add Bug", "Controler"};
static const int LeftLabelColors[LeftRows - 1] = {ColorGreen, ColorRed,   ColorBlack, ColorBlack,
                                                  ColorBlack, ColorBlack, ColorBlack, ColorBlack};
static const char* const RightLabels[RightRows] = {"Disco Bug", "Disco Party", "Bug Spray",
                                                   "Exterminate", "Size Me"};

// The "Controler" row is gray while the selector column is shown.
static int LeftRowColor(int row, int controller_on) {
  if (row == ControllerRow) return controller_on == 1 ? ColorGray20 : ColorBlack;
  return ColorBlack;
}

static int LeftLabelColor(int row, int controller_on) {
  if (row == ControllerRow) return controller_on == 1 ? ColorGray20 : ColorBlack;
  return LeftLabelColors[row];
}

void DrawLeftPanel(int controller_on) {
  for (int r = 0; r < LeftRows; r++) {
    DrawRectangle(LeftRowColor(r, controller_on), LeftPanelLeft, RowTop(r), LeftPanelRight,
                  RowBottom(r), 2);
  }
  for (int r = 0; r < LeftRows; r++) {
    PrintText(LeftLabelColor(r, controller_on), LeftLabelX, RowTop(r) - PanelLabelDrop, 12, "%s",
              LeftLabels[r]);
  }
}

void DrawSelectorColumn(int& selected, int& last_bug, int highlight) {
  for (int i = 0; i <= last_bug; i++) {
    int color = i == selected ? highlight : ColorBlack;
    DrawRectangle(color, SelectorLeft, RowTop(i), SelectorRight, RowBottom(i), 2);
    PrintText(color, SelectorLabelX, RowTop(i) - SelectorLabelDrop, 14, "%d", i + 1);
  }
  DrawLine(highlight, SelectorLeft, RowBottom(selected), SelectorRight, RowBottom(selected), 2);
}

void DrawRightPanel(void) {
  // Drawn from the outer edge in: the boxes mirror the left panel's.
  for (int r = 0; r < RightRows; r++) {
    DrawRectangle(ColorBlack, RightPanelRight, RowTop(r), RightPanelLeft, RowBottom(r), 2);
  }
  for (int r = 0; r < RightRows; r++) {
    PrintText(ColorBlack, RightLabelX, RowTop(r) - PanelLabelDrop, 12, "%s", RightLabels[r]);
  }
}

// Strictly inside a column: the edges themselves belong to no button.
static int InLeftPanel(int x) { return LeftPanelLeft < x && x < LeftPanelRight; }
static int InSelector(int x) { return SelectorLeft < x && x < SelectorRight; }
static int InRightPanel(int x) { return RightPanelLeft < x && x < RightPanelRight; }

int HitTestPanels(int x, int y, int last_bug, int controller_on) {
  if (InLeftPanel(x) && RowTop(LeftRows) < y && y < PanelTop) return 1;
  if (controller_on != 0 && InSelector(x) && RowTop(last_bug + 1) < y && y < PanelTop) return 1;
  if (InRightPanel(x) && RowTop(RightRows) < y && y < PanelTop) return 1;
  return 0;
}

// Row of a click, truncating toward zero. Worked out in 64 bits so that any y the
// caller passes gives a row (out of range for far-off clicks) instead of overflowing.
static long long ClickRow(int y) { return (PanelTop - (long long)y) / RowHeight; }

void ShowInternalError(void) { PrintText(ColorRed, 0, 0, 16, "INTERNAL ERROR!"); }

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
    case 4:  // Size Me: the cycle still holds the value that chose the present size
      bug.size = SizeFromCycle(bug.size_cycle);
      bug.size_cycle = bug.size_cycle + 1;
      break;
  }
}

void DoPanelCommand(int x, int y, BugRecord* bugs, int& selected, int& last_bug, int& controller_on,
                    int& disco_party) {
  long long row = ClickRow(y);
  if (InLeftPanel(x)) {
    if (row < 0 || row >= LeftRows) {
      ShowInternalError();
      return;
    }
    LeftCommand((int)row, bugs, selected, last_bug, controller_on);
  } else if (InSelector(x)) {
    // The hit test keeps the row in range; a row past the garden would leave
    // `selected` pointing outside the bug table.
    if (row < 0 || row > last_bug) {
      ShowInternalError();
      return;
    }
    selected = (int)row;
  } else if (InRightPanel(x)) {
    if (row < 0 || row >= RightRows) {
      ShowInternalError();
      return;
    }
    RightCommand((int)row, bugs, selected, last_bug, disco_party);
  }
}
