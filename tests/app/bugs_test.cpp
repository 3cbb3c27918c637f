// The bug figure's sixteen calls, one tick of motion, and the drawing of all bugs.
#include <gtest/gtest.h>

#include <climits>

#include "garden_test_support.h"

namespace {

BugRecord Bug(int x, int y, int color, int size) {
  BugRecord bug = {};
  bug.x = x;
  bug.y = y;
  bug.color = color;
  bug.size = size;
  bug.speed = 5;
  bug.moving = 1;
  return bug;
}

std::vector<std::string> DrawBugAndCapture(const BugRecord& bug, int index) {
  MarkLog();
  DrawBug(bug, index);
  bool found = false;
  std::vector<std::string> lines = LinesSinceMark(&found);
  EXPECT_TRUE(found);
  return lines;
}

TEST(BugLength, TruncatesTwoAndAHalfTimesTheSize) {
  EXPECT_EQ(BugLength(10), 25);
  EXPECT_EQ(BugLength(16), 40);
  EXPECT_EQ(BugLength(20), 50);
  EXPECT_EQ(BugLength(11), 27);
  EXPECT_EQ(BugLength(-3), -7);  // toward zero, not down
}

TEST(DrawBug, FirstBugAsCreated) {
  OpenRuntimeForTest();
  SetLogging(1);
  std::vector<std::string> expected = {
      CircleLine("red", 280, 72, 16),         LineLine("black", 280, 88, 280, 98, 2),
      CircleLine("black", 280, 98, 4),        CircleLine("white", 272, 76, 5),
      CircleLine("black", 274, 75, 4),        FilledLine("red", 276, 58, 284, 52),
      CircleLine("red", 280, 42, 12),         LineLine("black", 280, 31, 272, 20, 2),
      LineLine("black", 272, 20, 284, 4, 2),  CircleLine("black", 284, 4, 2),
      LineLine("black", 284, 31, 276, 20, 2), LineLine("black", 276, 20, 288, 4, 2),
      CircleLine("black", 288, 4, 2),         LineLine("black", 280, 47, 259, 40, 2),
      CircleLine("black", 259, 40, 2),        TextLine("red", 280, 104, "1"),
  };
  EXPECT_EQ(DrawBugAndCapture(Bug(280, 0, 2, 16), 0), expected);
}

TEST(DrawBug, SizeTwentyFigure) {
  OpenRuntimeForTest();
  SetLogging(1);
  // B = 90; offsets for s = 20 from the figure's formulas.
  std::vector<std::string> expected = {
      CircleLine("green", 275, 90, 20),       LineLine("black", 275, 110, 275, 123, 2),
      CircleLine("black", 275, 123, 5),       CircleLine("white", 265, 95, 6),
      CircleLine("black", 268, 94, 5),        FilledLine("green", 270, 73, 280, 65),
      CircleLine("green", 275, 52, 15),       LineLine("black", 275, 39, 265, 25, 2),
      LineLine("black", 265, 25, 280, 5, 2),  CircleLine("black", 280, 5, 3),
      LineLine("black", 280, 39, 270, 25, 2), LineLine("black", 270, 25, 285, 5, 2),
      CircleLine("black", 285, 5, 3),         LineLine("black", 275, 59, 249, 50, 2),
      CircleLine("black", 249, 50, 3),        TextLine("green", 275, 130, "2"),
  };
  EXPECT_EQ(DrawBugAndCapture(Bug(275, 0, 3, 20), 1), expected);
}

TEST(DrawBug, SizeTenFigureInTheAir) {
  OpenRuntimeForTest();
  SetLogging(1);
  // y = 24: B = 24 + 45 = 69.
  std::vector<std::string> expected = {
      CircleLine("dusty plum", 288, 69, 10),  LineLine("black", 288, 79, 288, 85, 2),
      CircleLine("black", 288, 85, 2),        CircleLine("white", 283, 71, 3),
      CircleLine("black", 285, 71, 2),        FilledLine("dusty plum", 286, 61, 290, 57),
      CircleLine("dusty plum", 288, 50, 7),   LineLine("black", 288, 44, 283, 37, 2),
      LineLine("black", 283, 37, 290, 27, 2), CircleLine("black", 290, 27, 1),
      LineLine("black", 290, 44, 286, 37, 2), LineLine("black", 286, 37, 293, 27, 2),
      CircleLine("black", 293, 27, 1),        LineLine("black", 288, 54, 275, 49, 2),
      CircleLine("black", 275, 49, 1),        TextLine("dusty plum", 288, 89, "9"),
  };
  EXPECT_EQ(DrawBugAndCapture(Bug(288, 24, 10, 10), 8), expected);
}

TEST(MoveBug, GlidesToTheLimitThenReenters) {
  BugRecord bugs[BugCount] = {};
  bugs[3] = Bug(-270, 0, 5, 20);
  bugs[3].steps = 40;
  MoveBug(bugs, 3);
  EXPECT_EQ(bugs[3].x, -275);  // 275 is not beyond the limit 275
  EXPECT_EQ(bugs[3].steps, 41);
  MoveBug(bugs, 3);
  EXPECT_EQ(bugs[3].x, 275);
  EXPECT_EQ(bugs[3].y, 0);
  EXPECT_EQ(bugs[3].steps, 0);
  MoveBug(bugs, 3);
  EXPECT_EQ(bugs[3].x, 270);
  EXPECT_EQ(bugs[3].steps, 1);
  // Only the bug at the index moves.
  EXPECT_EQ(bugs[2].x, 0);
  EXPECT_EQ(bugs[4].steps, 0);
}

TEST(MoveBug, HopSequence) {
  BugRecord bugs[1] = {Bug(280, 0, 2, 16)};
  bugs[0].hopping = 1;
  const int expected[][2] = {{275, 24}, {270, 47}, {265, 68}, {260, 84},
                             {255, 94}, {250, 99}, {245, 98}, {240, 90}};
  for (const auto& step : expected) {
    MoveBug(bugs, 0);
    EXPECT_EQ(bugs[0].x, step[0]);
    EXPECT_EQ(bugs[0].y, step[1]);
  }
  EXPECT_EQ(bugs[0].steps, 8);
}

TEST(MoveBug, HopHeightsOverAWholeHop) {
  BugRecord bugs[1] = {Bug(0, 0, 2, 16)};
  bugs[0].hopping = 1;
  bugs[0].speed = 0;  // hops on the spot while the steps go on counting
  const int heights[] = {24, 47, 68, 84, 94, 99, 98, 90, 77, 59, 38, 14, 10, 35, 57};
  for (int h : heights) {
    MoveBug(bugs, 0);
    EXPECT_EQ(bugs[0].y, h);
    EXPECT_EQ(bugs[0].x, 0);
  }
  EXPECT_EQ(bugs[0].steps, 15);
}

TEST(MoveBug, GlidingFreezesHeightUntilReentry) {
  BugRecord bugs[1] = {Bug(-260, 59, 2, 16)};
  bugs[0].steps = 10;
  MoveBug(bugs, 0);
  EXPECT_EQ(bugs[0].y, 59);
  EXPECT_EQ(bugs[0].x, -265);
  MoveBug(bugs, 0);
  MoveBug(bugs, 0);
  MoveBug(bugs, 0);
  EXPECT_EQ(bugs[0].x, -280);
  EXPECT_EQ(bugs[0].y, 59);
  MoveBug(bugs, 0);
  EXPECT_EQ(bugs[0].x, 280);
  EXPECT_EQ(bugs[0].y, 0);
}

TEST(MoveBug, LongerBugRightOfItsLimitReentersAtTheLimit) {
  BugRecord bugs[1] = {Bug(288, 33, 4, 20)};  // was size 10 at its limit
  bugs[0].steps = 7;
  MoveBug(bugs, 0);
  EXPECT_EQ(bugs[0].x, 275);
  EXPECT_EQ(bugs[0].y, 0);
  EXPECT_EQ(bugs[0].steps, 0);
}

TEST(MoveBug, CrossingTakesTicksBySize) {
  const int sizes[] = {10, 16, 20};
  const int ticks[] = {116, 113, 111};
  for (int k = 0; k < 3; k++) {
    BugRecord bugs[1] = {Bug(300 - BugLength(sizes[k]) / 2, 0, 2, sizes[k])};
    int start = bugs[0].x;
    int count = 0;
    do {
      MoveBug(bugs, 0);
      count++;
    } while (bugs[0].steps != 0 && count < 1000);
    EXPECT_EQ(count, ticks[k]) << "size " << sizes[k];
    EXPECT_EQ(bugs[0].x, start);
  }
}

TEST(MoveBug, VeryFastBugsReenterOnEveryTick) {
  BugRecord bugs[1] = {Bug(280, 0, 2, 16)};
  bugs[0].speed = 561;  // more than twice the limit 280
  for (int i = 0; i < 3; i++) {
    MoveBug(bugs, 0);
    EXPECT_EQ(bugs[0].x, 280);
    EXPECT_EQ(bugs[0].steps, 0);
  }
  // The largest speed must not wrap x - speed around to a small number.
  bugs[0].x = -280;
  bugs[0].speed = INT_MAX;
  MoveBug(bugs, 0);
  EXPECT_EQ(bugs[0].x, 280);
  EXPECT_EQ(bugs[0].steps, 0);
}

TEST(DrawBugs, DrawsOnlyTheGardenAndStepsDiscoColours) {
  OpenRuntimeForTest();
  BugRecord bugs[BugCount];
  SetUpBugs(bugs);
  bugs[0].color = 23;
  bugs[0].disco = 1;
  bugs[1].disco = 1;  // not in the garden: untouched
  SetLogging(1);
  int last_bug = 0;
  std::vector<std::string> lines;
  MarkLog();
  DrawBugs(bugs, last_bug);
  bool found = false;
  lines = LinesSinceMark(&found);
  ASSERT_TRUE(found);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], CircleLine("20% gray", 280, 72, 16));
  EXPECT_EQ(lines[15], TextLine("20% gray", 280, 104, "1"));
  EXPECT_EQ(bugs[0].color, 0);
  EXPECT_EQ(bugs[1].color, 3);

  MarkLog();
  DrawBugs(bugs, last_bug);
  lines = LinesSinceMark(&found);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], CircleLine("black", 280, 72, 16));
  EXPECT_EQ(bugs[0].color, 1);
}

TEST(DrawBugs, NineBugsLabelledOneToNine) {
  OpenRuntimeForTest();
  BugRecord bugs[BugCount];
  SetUpBugs(bugs);
  SetLogging(1);
  FillRingWithMarks();
  int tail = log_tail;
  int last_bug = 8;
  DrawBugs(bugs, last_bug);
  // 9 x 16 lines; the ring keeps the last 25: the end of bug 8 and all of bug 9.
  EXPECT_EQ(LinesSince(tail), (9 * 16) % LogRingSize);
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines[8], TextLine("navy blue", 275, 130, "8"));
  EXPECT_EQ(lines[9], CircleLine("dusty plum", 288, 45, 10));
  EXPECT_EQ(lines[24], TextLine("dusty plum", 288, 65, "9"));
}

}  // namespace
