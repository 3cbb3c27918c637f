// The main routine driven by posted messages: one pass per event, the loop count,
// the disco rhythm, ticks moving the started bugs, the first picture and the
// redraw on the quit pass.
#include <gtest/gtest.h>
#include <string.h>

#include "garden_test_support.h"

namespace {

using Program = GardenDriver;

// Button centres in runtime coordinates.
const int LeftX = -250, RightX = 250, SelectorX = -170;
int RowY(int row) { return -22 - 25 * row; }

TEST(MainLoop, StartUpState) {
  Program p;
  p.Start();
  EXPECT_EQ(p.done, 0);
  EXPECT_EQ(p.control.loop_count, 0);
  EXPECT_EQ(p.control.last_bug, 0);
  EXPECT_EQ(p.control.frame_no, 0);
  EXPECT_EQ(logging, 0);
  EXPECT_EQ(animating, 1);
  const int xs[BugCount] = {280, 275, 288, 280, 275, 288, 280, 275, 288};
  const int sizes[BugCount] = {16, 20, 10, 16, 20, 10, 16, 20, 10};
  for (int i = 0; i < BugCount; i++) {
    SCOPED_TRACE(i);
    const BugRecord& b = p.bugs[i];
    EXPECT_EQ(b.x, xs[i]);
    EXPECT_EQ(b.size, sizes[i]);
    EXPECT_EQ(b.size_cycle, i);
    EXPECT_EQ(b.color, i + 2);
    EXPECT_EQ(b.y | b.steps | b.hopping | b.disco, 0);
    EXPECT_EQ(b.speed, 5);
    EXPECT_EQ(b.moving, 1);
  }
}

TEST(MainLoop, DiscoRhythmCountsEveryPass) {
  Program p;
  p.Start();
  p.Click(RightX, RowY(1));  // Disco Party on, pass 1
  EXPECT_EQ(p.control.disco_party, 1);
  EXPECT_EQ(p.control.loop_count, 1);
  EXPECT_EQ(p.control.sky_shift, 0);
  p.Key('a');  // 2
  EXPECT_EQ(p.control.sky_shift, 0);
  p.Tick();  // 3
  EXPECT_EQ(p.control.sky_shift, 1);
  EXPECT_EQ(p.control.frame_no, 1);
  p.Click(0, 100);  // 4: hits nothing
  p.Key('b');       // 5
  EXPECT_EQ(p.control.sky_shift, 1);
  p.Key('c');  // 6
  EXPECT_EQ(p.control.sky_shift, 2);
  for (int i = 0; i < 3; i++) p.Tick();  // 7, 8, 9
  EXPECT_EQ(p.control.sky_shift, 3);
  EXPECT_EQ(p.control.frame_no, 4);
  EXPECT_EQ(p.control.loop_count, 9);
  p.Click(RightX, RowY(1));  // 10: party off resets the shift on the same pass
  EXPECT_EQ(p.control.disco_party, 0);
  EXPECT_EQ(p.control.sky_shift, 0);
  p.Key('d');  // 11
  p.Key('e');  // 12
  EXPECT_EQ(p.control.sky_shift, 0);
  EXPECT_EQ(p.control.loop_count, 12);
  EXPECT_EQ(p.done, 0);
}

TEST(MainLoop, KeyChangesNothingButTheCount) {
  Program p;
  p.Start();
  Program before = p;
  p.Key('x');
  EXPECT_EQ(p.event_key, 'x');
  EXPECT_EQ(memcmp(p.bugs, before.bugs, sizeof p.bugs), 0);
  EXPECT_EQ(p.control.loop_count, 1);
  before.control.loop_count = 1;
  EXPECT_EQ(memcmp(&p.control, &before.control, sizeof p.control), 0);
}

TEST(MainLoop, TicksMoveStartedBugsInTheGardenOnly) {
  Program p;
  p.Start();
  p.Click(LeftX, RowY(7));  // Add Bug: bug 2 (index 1) selected
  EXPECT_EQ(p.control.last_bug, 1);
  EXPECT_EQ(p.control.selected, 1);
  p.Click(LeftX, RowY(1));  // Stop it
  EXPECT_EQ(p.bugs[1].moving, 0);
  p.Tick();
  p.Tick();
  EXPECT_EQ(p.bugs[0].x, 270);
  EXPECT_EQ(p.bugs[0].steps, 2);
  EXPECT_EQ(p.bugs[1].x, 275);
  EXPECT_EQ(p.bugs[1].steps, 0);
  EXPECT_EQ(p.bugs[2].x, 288);       // not in the garden
  EXPECT_EQ(p.control.frame_no, 2);  // the frame advances whatever the bugs do
  p.Click(LeftX, RowY(0));           // GO
  p.Tick();
  EXPECT_EQ(p.bugs[1].x, 270);
  EXPECT_EQ(p.bugs[0].x, 265);
  EXPECT_EQ(p.control.frame_no, 3);
  EXPECT_EQ(p.control.loop_count, 6);
}

TEST(MainLoop, SelectorClicksCountOnlyWhileTheColumnIsShown) {
  Program p;
  p.Start();
  p.Click(LeftX, RowY(7));
  p.Click(LeftX, RowY(7));
  EXPECT_EQ(p.control.selected, 2);
  p.Click(SelectorX, RowY(0));  // column hidden: a miss
  EXPECT_EQ(p.control.selected, 2);
  p.Click(LeftX, RowY(8));  // Controler
  EXPECT_EQ(p.control.controller_on, 1);
  p.Click(SelectorX, RowY(0));
  EXPECT_EQ(p.control.selected, 0);
  p.Click(SelectorX, RowY(3));  // below the lowest box of three: a miss
  EXPECT_EQ(p.control.selected, 0);
}

TEST(MainLoop, DiscoBugStepsOncePerRedraw) {
  Program p;
  p.Start();
  p.Click(RightX, RowY(0));  // Disco Bug on bug 1: drawn red in this pass, then green
  EXPECT_EQ(p.bugs[0].color, 3);
  p.Key('k');
  EXPECT_EQ(p.bugs[0].color, 4);
  p.Tick();
  EXPECT_EQ(p.bugs[0].color, 5);
}

// The last 25 description lines of a full redraw with one bug and the controller
// off: the right panel from its second box on, then bug 1.
std::vector<std::string> TailOfRedraw(const BugRecord& bug0) {
  std::vector<std::string> lines = {
      OutlineLine("black", 215, -35, 290, -60, 2),  OutlineLine("black", 215, -60, 290, -85, 2),
      OutlineLine("black", 215, -85, 290, -110, 2), OutlineLine("black", 215, -110, 290, -135, 2),
      TextLine("black", 225, -28, "Disco Bug"),     TextLine("black", 225, -53, "Disco Party"),
      TextLine("black", 225, -78, "Bug Spray"),     TextLine("black", 225, -103, "Exterminate"),
      TextLine("black", 225, -128, "Size Me"),
  };
  MarkLog();
  DrawBug(bug0, 0);
  bool found = false;
  for (const std::string& line : LinesSinceMark(&found)) lines.push_back(line);
  return lines;
}

TEST(MainLoop, QuitPassStillRedraws) {
  Program p;
  p.Start();
  SetLogging(1);
  std::vector<std::string> expected = TailOfRedraw(p.bugs[0]);
  ASSERT_EQ(expected.size(), 25u);
  FillRingWithMarks();
  int tail = log_tail;
  p.Quit();
  EXPECT_EQ(p.done, 1);
  EXPECT_EQ(p.control.loop_count, 1);
  // Scenery 8, left panel 18, right panel 10, one bug 16.
  EXPECT_EQ(LinesSince(tail), (8 + 18 + 10 + 16) % LogRingSize);
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(CloseRuntime(), 1);
}

TEST(MainLoop, CloseBoxEndsTheLoop) {
  Program p;
  p.Start();
  p.Tick();
  PostMessageA(draw_window, WM_CLOSE, 0, 0);
  p.Pass();
  EXPECT_EQ(p.done, 1);
  EXPECT_EQ(p.control.loop_count, 2);
  EXPECT_EQ(p.bugs[0].x, 275);
}

TEST(MainLoop, FirstPictureHasNoRightPanel) {
  Program p;
  p.Start();
  // In the picture start-up drew: night sky, the left panel's top edge in black,
  // and only ground where the right panel's top edge will be.
  auto pixel = [](int x, int y) { return GetPixel(back_buffer_dc, origin.x + x, origin.y - y); };
  EXPECT_EQ(pixel(0, 100), RGB(0, 51, 153));
  EXPECT_EQ(pixel(-250, -10), RGB(0, 0, 0));
  EXPECT_EQ(pixel(250, -10), RGB(153, 102, 51));
  EXPECT_EQ(pixel(250, -135), RGB(153, 102, 51));
  // The same drawing described: 8 + 18 + 16 lines, of which the ring keeps the
  // left panel's labels and bug 1.
  SetLogging(1);
  FillRingWithMarks();
  int tail = log_tail;
  DrawFirstPicture(p.bugs, p.control);
  EXPECT_EQ(LinesSince(tail), (8 + 18 + 16) % LogRingSize);
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines[0], TextLine("green", -280, -28, "GO"));
  EXPECT_EQ(lines[8], TextLine("black", -280, -228, "Controler"));
  EXPECT_EQ(lines[9], CircleLine("red", 280, 72, 16));
  EXPECT_EQ(lines[24], TextLine("red", 280, 104, "1"));
  // The first pass completes the picture with the right panel.
  p.Key(' ');
  EXPECT_EQ(pixel(250, -10), RGB(0, 0, 0));
}

}  // namespace

namespace {

// The whole main routine: with a quit already requested, the first event it
// waits for (the first tick) ends the loop after one full pass.
TEST(MainRoutine, RunsOnePassAndReturnsZeroWhenQuitIsRequested) {
  quit_requested = 1;
  EXPECT_EQ(GardenMain(nullptr, nullptr, (LPSTR) "", SW_SHOWNORMAL), 0);
  EXPECT_EQ(logging, 0);
  EXPECT_EQ(animating, 1);
  // The quit pass drew the right panel, which the first picture lacks.
  EXPECT_EQ(GetPixel(back_buffer_dc, origin.x + 250, origin.y + 10), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(back_buffer_dc, origin.x + 250, origin.y + 135), RGB(0, 0, 0));
}

}  // namespace

namespace {

// Years of passes: the counters step back without breaking the rhythm of three
// or the colours of the party.
TEST(MainLoop, CountersNearTheTopOfTheIntRangeKeepTheRhythm) {
  Program p;
  p.Start();
  p.control.disco_party = 1;
  p.control.loop_count = 2147483646;  // the next pass, 2147483647, is no multiple of 3
  p.control.sky_shift = 2147483647;
  p.Key('a');
  EXPECT_EQ(p.control.loop_count, 2147483647);
  EXPECT_EQ(p.control.sky_shift, 2147483647);
  p.Key('b');  // pass 2^31 would be 2 mod 3
  EXPECT_EQ(p.control.loop_count % 3, 2);
  EXPECT_GT(p.control.loop_count, 0);
  EXPECT_EQ(p.control.sky_shift, 2147483647);
  p.Key('c');  // a multiple of 3: the shift steps to 2^31, that is 8 mod 24
  EXPECT_EQ(p.control.loop_count % 3, 0);
  EXPECT_GT(p.control.sky_shift, 0);
  EXPECT_EQ(p.control.sky_shift % 24, 8);
}

}  // namespace
