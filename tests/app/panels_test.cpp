// The three button columns: their description lines, the hit test on every edge,
// and every command with its no-op cases.
#include <gtest/gtest.h>
#include <string.h>

#include <climits>

#include "garden_test_support.h"

namespace {

struct PanelRow {
  int top, bottom, label_y;
  const char* label;
};

const PanelRow LeftRows[9] = {
    {-10, -35, -28, "GO"},           {-35, -60, -53, "Stop"},       {-60, -85, -78, "Faster"},
    {-85, -110, -103, "Slower"},     {-110, -135, -128, "Gliding"}, {-135, -160, -153, "Hopping"},
    {-160, -185, -178, "New Color"}, {-185, -210, -203, "Add Bug"}, {-210, -235, -228, "Controler"},
};
const char* const LeftLabelColors[9] = {"green", "red",   "black", "black", "black",
                                        "black", "black", "black", "black"};
const PanelRow RightRows[5] = {
    {-10, -35, -28, "Disco Bug"},     {-35, -60, -53, "Disco Party"}, {-60, -85, -78, "Bug Spray"},
    {-85, -110, -103, "Exterminate"}, {-110, -135, -128, "Size Me"},
};

std::vector<std::string> LeftPanelLines(const char* controler_colour) {
  std::vector<std::string> lines;
  for (int r = 0; r < 9; r++) {
    lines.push_back(OutlineLine(r == 8 ? controler_colour : "black", -290, LeftRows[r].top, -215,
                                LeftRows[r].bottom, 2));
  }
  for (int r = 0; r < 9; r++) {
    lines.push_back(TextLine(r == 8 ? controler_colour : LeftLabelColors[r], -280,
                             LeftRows[r].label_y, LeftRows[r].label));
  }
  return lines;
}

template <typename Draw>
std::vector<std::string> Capture(Draw draw) {
  MarkLog();
  draw();
  bool found = false;
  std::vector<std::string> lines = LinesSinceMark(&found);
  EXPECT_TRUE(found);
  return lines;
}

TEST(PanelDrawing, LeftPanelWithControllerOnAndOff) {
  OpenRuntimeForTest();
  SetLogging(1);
  EXPECT_EQ(Capture([] { DrawLeftPanel(0); }), LeftPanelLines("black"));
  EXPECT_EQ(Capture([] { DrawLeftPanel(1); }), LeftPanelLines("20% gray"));
}

TEST(PanelDrawing, RightPanel) {
  OpenRuntimeForTest();
  SetLogging(1);
  std::vector<std::string> expected;
  for (const PanelRow& row : RightRows) {
    expected.push_back(OutlineLine("black", 215, row.top, 290, row.bottom, 2));
  }
  for (const PanelRow& row : RightRows) {
    expected.push_back(TextLine("black", 225, row.label_y, row.label));
  }
  EXPECT_EQ(Capture([] { DrawRightPanel(); }), expected);
}

TEST(PanelDrawing, SelectorHighlightsTheSelectedRow) {
  OpenRuntimeForTest();
  SetLogging(1);
  int selected = 3;
  int last_bug = 8;
  std::vector<std::string> lines =
      Capture([&] { DrawSelectorColumn(selected, last_bug, 5 /* yellow */); });
  std::vector<std::string> expected;
  for (int i = 0; i <= 8; i++) {
    const char* colour = i == 3 ? "yellow" : "black";
    expected.push_back(OutlineLine(colour, -210, -10 - 25 * i, -135, -35 - 25 * i, 2));
    expected.push_back(TextLine(colour, -173, -29 - 25 * i, std::to_string(i + 1).c_str()));
  }
  expected.push_back(LineLine("yellow", -210, -110, -135, -110, 2));
  EXPECT_EQ(lines, expected);

  // One bug: one row and the marker under it.
  selected = 0;
  last_bug = 0;
  lines = Capture([&] { DrawSelectorColumn(selected, last_bug, 2); });
  expected = {OutlineLine("red", -210, -10, -135, -35, 2), TextLine("red", -173, -29, "1"),
              LineLine("red", -210, -35, -135, -35, 2)};
  EXPECT_EQ(lines, expected);
}

TEST(HitTestPanels, LeftPanelEdges) {
  EXPECT_EQ(HitTestPanels(-250, -20, 0, 0), 1);
  EXPECT_EQ(HitTestPanels(-290, -20, 0, 0), 0);
  EXPECT_EQ(HitTestPanels(-289, -20, 0, 0), 1);
  EXPECT_EQ(HitTestPanels(-215, -20, 0, 0), 0);
  EXPECT_EQ(HitTestPanels(-216, -20, 0, 0), 1);
  EXPECT_EQ(HitTestPanels(-250, -10, 0, 0), 0);
  EXPECT_EQ(HitTestPanels(-250, -11, 0, 0), 1);
  EXPECT_EQ(HitTestPanels(-250, -235, 0, 0), 0);
  EXPECT_EQ(HitTestPanels(-250, -234, 0, 0), 1);
}

TEST(HitTestPanels, SelectorOnlyWhileShownAndDownToTheLastBug) {
  EXPECT_EQ(HitTestPanels(-170, -20, 8, 0), 0);
  EXPECT_EQ(HitTestPanels(-170, -20, 8, 1), 1);
  EXPECT_EQ(HitTestPanels(-210, -20, 8, 1), 0);
  EXPECT_EQ(HitTestPanels(-209, -20, 8, 1), 1);
  EXPECT_EQ(HitTestPanels(-135, -20, 8, 1), 0);
  EXPECT_EQ(HitTestPanels(-136, -20, 8, 1), 1);
  EXPECT_EQ(HitTestPanels(-170, -10, 8, 1), 0);
  // Three bugs: the column ends at -10 - 75 = -85.
  EXPECT_EQ(HitTestPanels(-170, -84, 2, 1), 1);
  EXPECT_EQ(HitTestPanels(-170, -85, 2, 1), 0);
  EXPECT_EQ(HitTestPanels(-170, -100, 2, 1), 0);
  EXPECT_EQ(HitTestPanels(-170, -234, 8, 1), 1);
  EXPECT_EQ(HitTestPanels(-170, -235, 8, 1), 0);
}

TEST(HitTestPanels, RightPanelEdgesAndGaps) {
  EXPECT_EQ(HitTestPanels(250, -20, 0, 0), 1);
  EXPECT_EQ(HitTestPanels(215, -20, 0, 0), 0);
  EXPECT_EQ(HitTestPanels(216, -20, 0, 0), 1);
  EXPECT_EQ(HitTestPanels(290, -20, 0, 0), 0);
  EXPECT_EQ(HitTestPanels(289, -20, 0, 0), 1);
  EXPECT_EQ(HitTestPanels(250, -134, 0, 0), 1);
  EXPECT_EQ(HitTestPanels(250, -135, 0, 0), 0);
  EXPECT_EQ(HitTestPanels(250, -10, 0, 0), 0);
  // Gaps and everything above the panels.
  EXPECT_EQ(HitTestPanels(-212, -20, 8, 1), 0);
  EXPECT_EQ(HitTestPanels(0, -20, 8, 1), 0);
  EXPECT_EQ(HitTestPanels(-250, 0, 8, 1), 0);
  EXPECT_EQ(HitTestPanels(250, 100, 8, 1), 0);
}

// The application's state for the command tests.
struct Garden {
  BugRecord bugs[BugCount];
  int selected = 0, last_bug = 0, controller_on = 0, disco_party = 0;
  Garden() { SetUpBugs(bugs); }
  void Click(int x, int y) {
    DoPanelCommand(x, y, bugs, selected, last_bug, controller_on, disco_party);
  }
  bool SameAs(const Garden& o) const {
    return memcmp(bugs, o.bugs, sizeof bugs) == 0 && selected == o.selected &&
           last_bug == o.last_bug && controller_on == o.controller_on &&
           disco_party == o.disco_party;
  }
};

const int LeftX = -250, RightX = 250;
int RowY(int row) { return -20 - 25 * row; }

TEST(DoPanelCommand, LeftPanelCommandsActOnTheSelectedBug) {
  Garden g;
  g.last_bug = 2;
  g.selected = 1;
  Garden before = g;
  g.Click(LeftX, -35);  // bottom edge of GO: Stop
  EXPECT_EQ(g.bugs[1].moving, 0);
  before.bugs[1].moving = 0;
  EXPECT_TRUE(g.SameAs(before));
  g.Click(LeftX, -11);  // GO
  EXPECT_EQ(g.bugs[1].moving, 1);

  g.Click(LeftX, RowY(2));  // Faster
  g.Click(LeftX, RowY(2));
  EXPECT_EQ(g.bugs[1].speed, 7);
  g.Click(LeftX, RowY(3));  // Slower
  EXPECT_EQ(g.bugs[1].speed, 6);

  g.Click(LeftX, RowY(5));  // Hopping
  EXPECT_EQ(g.bugs[1].hopping, 1);
  g.bugs[1].y = 47;
  g.bugs[1].steps = 2;
  g.Click(LeftX, RowY(4));  // Gliding keeps height and phase
  EXPECT_EQ(g.bugs[1].hopping, 0);
  EXPECT_EQ(g.bugs[1].y, 47);
  EXPECT_EQ(g.bugs[1].steps, 2);

  g.Click(LeftX, -234);  // Controler
  EXPECT_EQ(g.controller_on, 1);
  g.Click(LeftX, -234);
  EXPECT_EQ(g.controller_on, 0);
  // Nothing else of the other bugs moved.
  for (int i : {0, 2, 3, 8}) EXPECT_EQ(memcmp(&g.bugs[i], &before.bugs[i], sizeof(BugRecord)), 0);
}

TEST(DoPanelCommand, SpeedFloorAndNoCeiling) {
  Garden g;
  g.bugs[0].speed = 0;
  g.Click(LeftX, RowY(3));
  EXPECT_EQ(g.bugs[0].speed, 0);
  for (int i = 0; i < 300; i++) g.Click(LeftX, RowY(2));
  EXPECT_EQ(g.bugs[0].speed, 300);
  // The count stops at the largest int instead of wrapping negative.
  g.bugs[0].speed = INT_MAX;
  g.Click(LeftX, RowY(2));
  EXPECT_EQ(g.bugs[0].speed, INT_MAX);
}

TEST(DoPanelCommand, NewColorWrapsAroundTheTable) {
  Garden g;
  g.bugs[0].color = 23;
  g.Click(LeftX, RowY(6));
  EXPECT_EQ(g.bugs[0].color, 0);
  g.Click(LeftX, RowY(6));
  EXPECT_EQ(g.bugs[0].color, 1);
  g.Click(LeftX, RowY(6));
  EXPECT_EQ(g.bugs[0].color, 2);
}

TEST(DoPanelCommand, AddBugUpToNineWithoutResettingRecords) {
  Garden g;
  g.bugs[1].x = -123;  // as it was when it left the garden
  g.bugs[1].disco = 1;
  Garden kept = g;
  g.Click(LeftX, RowY(7));
  EXPECT_EQ(g.last_bug, 1);
  EXPECT_EQ(g.selected, 1);
  EXPECT_EQ(memcmp(g.bugs, kept.bugs, sizeof g.bugs), 0);
  for (int i = 2; i <= 8; i++) g.Click(LeftX, RowY(7));
  EXPECT_EQ(g.last_bug, 8);
  EXPECT_EQ(g.selected, 8);
  g.selected = 4;
  Garden full = g;
  g.Click(LeftX, RowY(7));
  EXPECT_TRUE(g.SameAs(full));  // not even the selection
}

TEST(DoPanelCommand, SelectorPicksTheRow) {
  Garden g;
  g.last_bug = 8;
  g.controller_on = 1;
  g.Click(-170, -11);
  EXPECT_EQ(g.selected, 0);
  g.Click(-170, -35);  // bottom edge of row 0 belongs to row 1
  EXPECT_EQ(g.selected, 1);
  g.Click(-170, -234);
  EXPECT_EQ(g.selected, 8);
}

TEST(DoPanelCommand, RightPanelCommands) {
  Garden g;
  g.last_bug = 8;
  g.selected = 8;
  g.Click(RightX, RowY(0));  // Disco Bug
  EXPECT_EQ(g.bugs[8].disco, 1);
  g.Click(RightX, RowY(0));
  EXPECT_EQ(g.bugs[8].disco, 0);
  g.Click(RightX, RowY(1));  // Disco Party
  EXPECT_EQ(g.disco_party, 1);
  g.Click(RightX, RowY(1));
  EXPECT_EQ(g.disco_party, 0);

  Garden before = g;
  g.Click(RightX, RowY(2));  // Bug Spray with the highest bug selected
  EXPECT_EQ(g.last_bug, 7);
  EXPECT_EQ(g.selected, 7);
  EXPECT_EQ(memcmp(g.bugs, before.bugs, sizeof g.bugs), 0);
  g.selected = 2;
  g.Click(RightX, RowY(2));  // a lower bug stays selected
  EXPECT_EQ(g.last_bug, 6);
  EXPECT_EQ(g.selected, 2);

  g.selected = 5;
  g.Click(RightX, RowY(3));  // Exterminate
  EXPECT_EQ(g.last_bug, 0);
  EXPECT_EQ(g.selected, 0);
  EXPECT_EQ(memcmp(g.bugs, before.bugs, sizeof g.bugs), 0);

  Garden single = g;
  g.Click(RightX, RowY(2));  // Bug Spray with a single bug
  EXPECT_TRUE(g.SameAs(single));
}

TEST(DoPanelCommand, SizeMeFollowsTheCycleWithoutMoving) {
  Garden g;
  // Bug 0 starts with size_cycle 0 and size 16: the first press keeps 16.
  const int sizes[] = {16, 20, 10, 16, 20};
  for (int k = 0; k < 5; k++) {
    g.Click(RightX, -134);
    EXPECT_EQ(g.bugs[0].size, sizes[k]);
    EXPECT_EQ(g.bugs[0].size_cycle, k + 1);
    EXPECT_EQ(g.bugs[0].x, 280);
  }
}

TEST(DoPanelCommand, ClicksOutsideEveryColumnChangeNothing) {
  OpenRuntimeForTest();
  SetLogging(1);
  Garden g;
  Garden before = g;
  MarkLog();
  g.Click(-212, -20);
  g.Click(0, -20);
  g.Click(300, -20);
  bool found = false;
  EXPECT_TRUE(LinesSinceMark(&found).empty());
  EXPECT_TRUE(g.SameAs(before));
}

TEST(DoPanelCommand, RowsOutsideAPanelReportAnInternalError) {
  OpenRuntimeForTest();
  SetLogging(1);
  Garden g;
  g.last_bug = 2;
  Garden before = g;
  const std::string error = TextLine("red", 0, 0, "INTERNAL ERROR!");
  struct {
    int x, y;
  } clicks[] = {
      {LeftX, -240},   // row 9
      {LeftX, 20},     // row -1
      {RightX, -140},  // row 5
      {RightX, 40},    // row -2
      {-170, -90},     // selector row 3 with three bugs
      {-170, 60},      // selector row -2
      {LeftX, INT_MAX}, {RightX, INT_MIN},
  };
  for (const auto& c : clicks) {
    SCOPED_TRACE(c.y);
    MarkLog();
    g.Click(c.x, c.y);
    bool found = false;
    EXPECT_EQ(LinesSinceMark(&found), std::vector<std::string>{error});
    EXPECT_TRUE(g.SameAs(before));
  }
  // The row truncates toward zero: y = 0 gives (-10 - 0) / 25 = row 0, "GO".
  g.bugs[0].moving = 0;
  g.Click(LeftX, 0);
  EXPECT_EQ(g.bugs[0].moving, 1);
}

TEST(DoPanelCommand, WithoutControllerCommandsKeepActingOnTheLastSelection) {
  Garden g;
  g.last_bug = 3;
  g.controller_on = 1;
  g.Click(-170, RowY(2));
  g.Click(LeftX, -234);  // hide the column
  EXPECT_EQ(g.controller_on, 0);
  EXPECT_EQ(HitTestPanels(-170, RowY(1), g.last_bug, g.controller_on), 0);
  g.Click(LeftX, RowY(1));  // Stop
  EXPECT_EQ(g.selected, 2);
  EXPECT_EQ(g.bugs[2].moving, 0);
  EXPECT_EQ(g.bugs[0].moving, 1);
}

TEST(ShowInternalError, PrintsInRedAtTheCentre) {
  OpenRuntimeForTest();
  SetLogging(1);
  std::vector<std::string> lines = Capture([] { ShowInternalError(); });
  EXPECT_EQ(lines, std::vector<std::string>{TextLine("red", 0, 0, "INTERNAL ERROR!")});
}

}  // namespace
