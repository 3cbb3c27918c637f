// The scenery's eight description lines over the day cycle, its double rounding,
// the frame wrap and the colour shift of the party.
#include <gtest/gtest.h>

#include "garden_test_support.h"

namespace {

struct SceneryFrame {
  int frame;
  const char* sky;
  int sun_x, sun_y;
  int moon_x, moon_y;
  int shadow1_x, shadow2_x;  // the shadows share the moon's height
};

// Worked out by hand from the formulas: sun (2f - 980, |trunc(sin(f/105) * 225)|),
// moon (2f - 300, |trunc(sin(f/100) * 225)|), shadows trunc(2t - 300) and
// trunc(2t - 300 - 125) with t = f * 2.2 - f in doubles.
const SceneryFrame Frames[] = {
    {0, "navy blue", -980, 0, -300, 0, -300, -425},
    {1, "navy blue", -978, 2, -298, 2, -297, -422},
    {45, "navy blue", -890, 93, -210, 97, -191, -317},
    {85, "navy blue", -810, 162, -130, 169, -95, -220},
    {125, "navy blue", -730, 208, -50, 213, 0, -125},
    {314, "navy blue", -352, 33, 328, 0, 453, 328},
    {315, "blue", -350, 31, 330, 1, 456, 331},
    {354, "blue", -272, 51, 408, 87, 549, 424},
    {355, "ice blue", -270, 53, 410, 89, 552, 427},
    {615, "ice blue", 250, 92, 930, 29, 1176, 1051},
    {616, "blue", 252, 91, 932, 27, 1178, 1053},
};

std::vector<std::string> SceneryLines(const char* sky, int sun_x, int sun_y, int moon_x, int moon_y,
                                      int shadow1_x, int shadow2_x, const char* shadow,
                                      const char* ground) {
  return {
      FilledLine(sky, -300, 250, 300, -250),
      CircleLine("yellow", sun_x, sun_y, 25),
      CircleLine("chalk", moon_x, moon_y, 25),
      CircleLine(shadow, shadow1_x, moon_y, 25),
      CircleLine(shadow, shadow2_x, moon_y, 25),
      FilledLine(ground, -300, 0, 300, -250),
      FilledLine("white", -300, 5, 300, -5),
      TextLine("black", -285, 200, "Click a button to control the bugs."),
  };
}

std::vector<std::string> DrawAndCapture(int sky_shift, int& frame_no) {
  MarkLog();
  DrawScenery(sky_shift, frame_no);
  bool found = false;
  std::vector<std::string> lines = LinesSinceMark(&found);
  EXPECT_TRUE(found);
  return lines;
}

TEST(Scenery, DescribesEachFrameOfTheDay) {
  OpenRuntimeForTest();
  SetLogging(1);
  for (const SceneryFrame& f : Frames) {
    SCOPED_TRACE(f.frame);
    int frame_no = f.frame;
    std::vector<std::string> lines = DrawAndCapture(0, frame_no);
    // At night the shadows take the sky's colour; by day they stay navy blue.
    EXPECT_EQ(lines, SceneryLines(f.sky, f.sun_x, f.sun_y, f.moon_x, f.moon_y, f.shadow1_x,
                                  f.shadow2_x, "navy blue", "brown"));
    EXPECT_EQ(frame_no, f.frame);
  }
}

TEST(Scenery, Frame650DrawsSkyAndSunThenWrapsBeforeTheMoon) {
  OpenRuntimeForTest();
  SetLogging(1);
  int frame_no = 650;
  std::vector<std::string> lines = DrawAndCapture(0, frame_no);
  // Sky and sun from 650, moon from 0, shadow x from the entry value.
  EXPECT_EQ(lines, SceneryLines("blue", 320, 20, -300, 0, 1260, 1135, "navy blue", "brown"));
  EXPECT_EQ(frame_no, 0);
  // Without a tick in between, the next call shows frame 0 whole.
  lines = DrawAndCapture(0, frame_no);
  EXPECT_EQ(lines, SceneryLines("navy blue", -980, 0, -300, 0, -300, -425, "navy blue", "brown"));
  EXPECT_EQ(frame_no, 0);
}

TEST(Scenery, OnlyExactly650Wraps) {
  OpenRuntimeForTest();
  int shift = 0;
  int frame_no = 649;
  DrawScenery(shift, frame_no);
  EXPECT_EQ(frame_no, 649);
  frame_no = 651;
  DrawScenery(shift, frame_no);
  EXPECT_EQ(frame_no, 651);
}

TEST(Scenery, SkyShiftMovesSkyShadowsAndGroundOnly) {
  OpenRuntimeForTest();
  SetLogging(1);
  int frame_no = 0;
  // 9 + 15 = 24 -> black; 14 + 15 = 29 -> 5, yellow.
  std::vector<std::string> lines = DrawAndCapture(15, frame_no);
  EXPECT_EQ(lines, SceneryLines("black", -980, 0, -300, 0, -300, -425, "black", "yellow"));
  // A whole turn of the table gives the colours of no shift.
  lines = DrawAndCapture(24, frame_no);
  EXPECT_EQ(lines, SceneryLines("navy blue", -980, 0, -300, 0, -300, -425, "navy blue", "brown"));
  // By day the sky shifts from ice blue: 11 + 15 = 26 -> 2, red; shadows 9 + 15 -> black.
  frame_no = 400;
  lines = DrawAndCapture(15, frame_no);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], FilledLine("red", -300, 250, 300, -250));
  EXPECT_EQ(lines[3].substr(0, 12), "black circle");
  EXPECT_EQ(lines[5], FilledLine("yellow", -300, 0, 300, -250));
}

TEST(Scenery, VeryLongPartyKeepsValidColours) {
  OpenRuntimeForTest();
  SetLogging(1);
  int frame_no = 0;
  // 2147483647 mod 24 = 7: sky 9 + 7 = 16 chalk, ground 14 + 7 = 21 olive.
  std::vector<std::string> lines = DrawAndCapture(2147483647, frame_no);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], FilledLine("chalk", -300, 250, 300, -250));
  EXPECT_EQ(lines[3], CircleLine("chalk", -300, 0, 25));
  EXPECT_EQ(lines[5], FilledLine("olive", -300, 0, 300, -250));
}

}  // namespace
