// The drawing primitives: warnings and description lines, pixels in the back buffer, GDI
// objects given back, and arguments at the ends of the int range.
#include <limits.h>

#include <string>

#include "runtime_support.h"

namespace {

class Primitives : public ::testing::Test {
 protected:
  void SetUp() override {
    OpenForTest(true);
    SetLogging(0);
    ClearWindow();
    ForgetLogLines();
  }
  // Lines logged since the last call.
  std::vector<std::string> Logged() {
    std::vector<std::string> lines = LogLines();
    ForgetLogLines();
    return lines;
  }
};

using Lines = std::vector<std::string>;

TEST_F(Primitives, ColourCheck) {
  SetLogging(1);
  Logged();
  DrawCircle(24, 0, 0, 1);
  EXPECT_EQ(Logged(), (Lines{"Illegal color 24; using RED.\n", "red circle at (0,0), radius 1\n"}));
  DrawCircle(-1, 0, 0, 1);
  EXPECT_EQ(Logged(), (Lines{"Illegal color -1; using RED.\n", "red circle at (0,0), radius 1\n"}));
  DrawCircle(0, 0, 0, 1);
  EXPECT_EQ(Logged(), (Lines{"black circle at (0,0), radius 1\n"}));
  DrawCircle(23, 0, 0, 1);
  EXPECT_EQ(Logged(), (Lines{"20% gray circle at (0,0), radius 1\n"}));
  EXPECT_EQ(CheckColor(INT_MIN), 2);
  EXPECT_EQ(Logged(), (Lines{"Illegal color -2147483648; using RED.\n"}));
  EXPECT_EQ(CheckColor(13), 13);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(Primitives, WarningsComeInOrderWhetherOrNotLogging) {
  for (int on = 0; on < 2; ++on) {
    SCOPED_TRACE(on);
    SetLogging(on);
    Logged();
    ClearWindow();
    Logged();

    EXPECT_EQ(DrawCircle(99, 0, 0, -5), 1);
    Lines expected = {"Illegal color 99; using RED.\n",
                      "Radius of -5 not possible, using radius 5\n"};
    if (on) expected.push_back("red circle at (0,0), radius 5\n");
    EXPECT_EQ(Logged(), expected);

    EXPECT_EQ(DrawLine(99, 0, 0, 10, 10, -3), 1);
    expected = {"Width of -3 not possible, using width 3\n", "Illegal color 99; using RED.\n"};
    if (on) expected.push_back("red line from (0,0) to (10,10), width 3\n");
    EXPECT_EQ(Logged(), expected);

    EXPECT_EQ(DrawRectangle(-7, 5, 1, -5, 9, -2), 1);
    expected = {"Illegal color -7; using RED.\n", "Width of -2 not possible, using width 2\n"};
    if (on)
      expected.push_back("red rectangle with bounding box (-5,9) to (5,1) with line width 2\n");
    EXPECT_EQ(Logged(), expected);

    EXPECT_EQ(PutText(30, 1, 2, -200, "hi"), 1);
    expected = {"ptsize of -200 not possible, using ptsize 200\n",
                "ptsize of 200 not possible, using ptsize 127\n", "Illegal color 30; using RED.\n"};
    if (on) expected.push_back("red text at (1,2), \"hi\"\n");
    EXPECT_EQ(Logged(), expected);

    EXPECT_EQ(PrintText(4, 0, 0, 128, "%d", 7), 1);
    expected = {"ptsize of 128 not possible, using ptsize 127\n"};
    if (on) expected.push_back("blue text at (0,0), \"7\"\n");
    EXPECT_EQ(Logged(), expected);

    // Valid calls write only their description, and only while logging.
    DrawCircle(0, 0, 0, 0);
    DrawRectangle(0, 0, 0, 1, 1, 0);
    DrawLine(0, 0, 0, 1, 1, 0);
    PutText(0, 0, 0, 0, "");
    PutText(0, 0, 0, 127, "x");
    EXPECT_EQ(Logged().size(), on ? 5u : 0u);
  }
}

TEST_F(Primitives, DescriptionLines) {
  SetLogging(1);
  Logged();
  DrawRectangle(0, 10, -10, -10, 10, 0);
  DrawRectangle(8, -1, -2, 3, 4, 1);
  DrawLine(9, 5, 6, -7, -8, 0);
  PutText(19, -3, 4, 12, "two\nlines");
  EXPECT_EQ(PrintText(22, 0, 0, 10, "%d", 42), 2);
  ClearWindow();
  EXPECT_EQ(Logged(),
            (Lines{"black rectangle with bounding box (-10,10) to (10,-10), filled\n",
                   "purple rectangle with bounding box (-1,4) to (3,-2) with line width 1\n",
                   "navy blue line from (5,6) to (-7,-8), width 0\n",
                   "forest green text at (-3,4), \"two\nlines\"\n",
                   "50% gray text at (0,0), \"42\"\n", "Clearing the graphics window\n"}));
}

TEST_F(Primitives, ClearWindowPaintsWhiteInsideABlackBorder) {
  DrawRectangle(2, -300, 270, 300, -270, 0);
  buffer_dirty = 0;
  EXPECT_EQ(ClearWindow(), 1);
  EXPECT_EQ(buffer_dirty, 1);
  EXPECT_TRUE(Logged().empty());
  const int right = BackBufferWidth - 1, bottom = BackBufferHeight - 1;
  for (int x : {0, 1, 300, right - 1, right}) {
    EXPECT_EQ(BufferPixel(x, 0), kBlack) << x;
    EXPECT_EQ(BufferPixel(x, bottom), kBlack) << x;
  }
  for (int y : {0, 1, 270, bottom - 1, bottom}) {
    EXPECT_EQ(BufferPixel(0, y), kBlack) << y;
    EXPECT_EQ(BufferPixel(right, y), kBlack) << y;
  }
  for (int x : {1, 2, 300, right - 2, right - 1})
    for (int y : {1, 2, 270, bottom - 2, bottom - 1})
      EXPECT_EQ(BufferPixel(x, y), kWhite) << x << "," << y;
  SetLogging(1);
  Logged();
  ClearWindow();
  EXPECT_EQ(Logged(), (Lines{"Clearing the graphics window\n"}));
}

TEST_F(Primitives, FilledSquareCoversItsCorners) {
  buffer_dirty = 0;
  EXPECT_EQ(DrawRectangle(0, 10, -10, -10, 10, 0), 1);
  EXPECT_EQ(buffer_dirty, 1);
  const int ox = origin.x, oy = origin.y;
  int black = 0;
  for (int y = oy - 12; y <= oy + 12; ++y)
    for (int x = ox - 12; x <= ox + 12; ++x) {
      bool inside = x >= ox - 10 && x <= ox + 10 && y >= oy - 10 && y <= oy + 10;
      COLORREF pixel = BufferPixel(x, y);
      EXPECT_EQ(pixel, inside ? kBlack : kWhite) << x - ox << "," << y - oy;
      black += pixel == kBlack;
    }
  EXPECT_EQ(black, 21 * 21);
}

TEST_F(Primitives, OutlinedRectangleLeavesTheInside) {
  DrawRectangle(4, -20, 20, 20, -20, 1);
  EXPECT_EQ(PointPixel(-20, 20), RGB(0, 0, 255));
  EXPECT_EQ(PointPixel(20, -20), RGB(0, 0, 255));
  EXPECT_EQ(PointPixel(0, 20), RGB(0, 0, 255));
  EXPECT_EQ(PointPixel(0, 0), kWhite);
  EXPECT_EQ(PointPixel(21, 0), kWhite);
  EXPECT_EQ(PointPixel(-21, 0), kWhite);
}

TEST_F(Primitives, RedDiscElevenPixelsAcross) {
  DrawCircle(99, 0, 0, -5);
  for (int d = -5; d <= 5; ++d) {
    EXPECT_EQ(PointPixel(d, 0), kRed) << d;
    EXPECT_EQ(PointPixel(0, d), kRed) << d;
  }
  EXPECT_EQ(PointPixel(-6, 0), kWhite);
  EXPECT_EQ(PointPixel(6, 0), kWhite);
  EXPECT_EQ(PointPixel(0, 6), kWhite);
  EXPECT_EQ(PointPixel(0, -6), kWhite);
  EXPECT_EQ(PointPixel(5, 5), kWhite);  // a disc, not a square
}

TEST_F(Primitives, ZeroWidthLineIsOnePixelWide) {
  DrawLine(0, -20, 30, 20, 30, 0);
  for (int x = -20; x < 20; ++x) EXPECT_EQ(PointPixel(x, 30), kBlack) << x;
  for (int x = -20; x <= 20; ++x) {
    EXPECT_EQ(PointPixel(x, 31), kWhite) << x;
    EXPECT_EQ(PointPixel(x, 29), kWhite) << x;
  }
  // A wide line is wider.
  DrawLine(0, -20, -30, 20, -30, 5);
  EXPECT_EQ(PointPixel(0, -28), kBlack);
  EXPECT_EQ(PointPixel(0, -32), kBlack);
}

// Text rows with ink within the columns [x0, x1).
std::vector<int> InkRows(int x0, int x1, int y0, int y1) {
  std::vector<int> rows;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (BufferPixel(x, y) != kWhite) {
        rows.push_back(y);
        break;
      }
  return rows;
}

int TextLineHeight(int ptsize, const char* text) {
  HFONT font = CreateFontA(-ptsize, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, "KX507-font");
  HGDIOBJ previous = SelectObject(back_buffer_dc, font);
  SIZE extent = {0, 0};
  GetTextExtentPointA(back_buffer_dc, text, (int)strlen(text), &extent);
  SelectObject(back_buffer_dc, previous);
  DeleteObject(font);
  return extent.cy;
}

TEST_F(Primitives, TextSitsJustAboveItsAnchor) {
  const int cy = TextLineHeight(20, "Hg");
  ASSERT_GT(cy, 10);
  EXPECT_EQ(PutText(0, -100, 0, 20, "Hg"), 1);
  const int x0 = origin.x - 100;
  std::vector<int> rows = InkRows(x0, x0 + 40, origin.y - 3 * cy, origin.y + 3 * cy);
  ASSERT_FALSE(rows.empty());
  EXPECT_GE(rows.front(), origin.y - cy);
  EXPECT_LT(rows.back(), origin.y);
  EXPECT_EQ(GetBkMode(back_buffer_dc), OPAQUE);  // set back after the text

  // Two lines: the second starts on the anchor's row and goes down.
  ClearWindow();
  PutText(0, -100, 0, 20, "Hg\nHg");
  rows = InkRows(x0, x0 + 40, origin.y - 3 * cy, origin.y + 3 * cy);
  ASSERT_FALSE(rows.empty());
  EXPECT_GE(rows.front(), origin.y - cy);
  EXPECT_LT(rows.back(), origin.y + cy);
  EXPECT_GE(rows.back(), origin.y);
  // The text is drawn in its colour without filling its cell.
  ClearWindow();
  PutText(2, -100, 0, 20, "H");
  bool red_seen = false;
  for (int y = origin.y - cy; y < origin.y; ++y)
    for (int x = x0; x < x0 + 20; ++x) red_seen |= BufferPixel(x, y) == kRed;
  EXPECT_TRUE(red_seen);
  EXPECT_EQ(BufferPixel(x0, origin.y - cy), kWhite);
}

TEST_F(Primitives, PrintTextReturnsTheFormattedCount) {
  EXPECT_EQ(PrintText(0, 0, 0, 12, "%d", 42), 2);
  EXPECT_EQ(PrintText(0, 0, 0, 12, "%s", ""), 0);
  EXPECT_EQ(PrintText(0, 0, 0, 12, "%s-%d\n", "ab", -1), 6);
}

TEST_F(Primitives, NullTextIsReportedAndDrawnEmpty) {
  for (int on = 0; on < 2; ++on) {
    SCOPED_TRACE(on);
    SetLogging(on);
    Logged();
    DWORD objects = GdiObjectCount();
    EXPECT_EQ(PutText(99, 0, 0, -200, NULL), 1);
    // The text's warning comes after those of the size and the colour.
    Lines expected = {"ptsize of -200 not possible, using ptsize 200\n",
                      "ptsize of 200 not possible, using ptsize 127\n",
                      "Illegal color 99; using RED.\n",
                      "text of NULL not possible, using text \"\"\n"};
    if (on) expected.push_back("red text at (0,0), \"\"\n");
    EXPECT_EQ(Logged(), expected);
    EXPECT_EQ(GdiObjectCount(), objects);
  }
  // Nothing was drawn, and the runtime goes on drawing.
  EXPECT_EQ(PointPixel(1, 1), kWhite);
  SetLogging(0);
  EXPECT_EQ(PutText(0, 0, 0, 12, "after"), 1);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(Primitives, OverlongTextIsCutSafely) {
  std::string text(2000, 'w');
  SetLogging(1);
  Logged();
  EXPECT_EQ(PrintText(0, 0, 0, 8, "%s", text.c_str()), 2000);
  Lines lines = Logged();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), 1023u);
  EXPECT_EQ(lines[0].rfind("black text at (0,0), \"www", 0), 0u);
  // PutText's own description line is cut the same way.
  EXPECT_EQ(PutText(0, 0, 0, 8, text.c_str()), 1);
  lines = Logged();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), 1023u);
}

TEST_F(Primitives, NoGdiObjectLeftBehind) {
  SetLogging(1);
  const DWORD before = GdiObjectCount();
  HGDIOBJ black_pen = GetStockObject(BLACK_PEN);
  HGDIOBJ white_brush = GetStockObject(WHITE_BRUSH);
  for (int round = 0; round < 3; ++round) {
    DrawCircle(3, 0, 0, 10);
    DrawRectangle(4, -5, 5, 5, -5, 0);
    DrawRectangle(5, -5, 5, 5, -5, 3);
    DrawLine(6, 0, 0, 50, 20, 0);
    DrawLine(7, 0, 0, 50, 20, 4);
    PutText(8, 0, 0, 14, "text\nmore");
    PrintText(9, 0, 0, 0, "%d", round);
    ClearWindow();
    LogPrintf("a line\n");
  }
  EXPECT_EQ(GdiObjectCount(), before);
  // The default pen and brush are selected again.
  EXPECT_EQ(SelectObject(back_buffer_dc, black_pen), black_pen);
  EXPECT_EQ(SelectObject(back_buffer_dc, white_brush), white_brush);
}

TEST_F(Primitives, NegatingIntMinDoesNotOverflow) {
  SetLogging(1);
  Logged();
  DrawCircle(0, 0, 0, INT_MIN);
  EXPECT_EQ(Logged(), (Lines{"Radius of -2147483648 not possible, using radius 2147483647\n",
                             "black circle at (0,0), radius 2147483647\n"}));
  DrawRectangle(0, 0, 0, 0, 0, INT_MIN);
  EXPECT_EQ(
      Logged(),
      (Lines{"Width of -2147483648 not possible, using width 2147483647\n",
             "black rectangle with bounding box (0,0) to (0,0) with line width 2147483647\n"}));
  DrawLine(0, 0, 0, 0, 0, INT_MIN);
  EXPECT_EQ(Logged(), (Lines{"Width of -2147483648 not possible, using width 2147483647\n",
                             "black line from (0,0) to (0,0), width 2147483647\n"}));
  PutText(0, 0, 0, INT_MIN, "x");
  EXPECT_EQ(Logged(), (Lines{"ptsize of -2147483648 not possible, using ptsize 2147483647\n",
                             "ptsize of 2147483647 not possible, using ptsize 127\n",
                             "black text at (0,0), \"x\"\n"}));
}

TEST_F(Primitives, ShapesFarOutsideDoNotWrapIntoView) {
  // Without 64-bit sums these corners wrap around and cover the visible picture.
  DrawCircle(0, INT_MAX, 0, 10);
  DrawCircle(0, 0, INT_MIN, 10);
  DrawRectangle(0, INT_MAX - 5, 5, INT_MAX, -5, 0);
  DrawRectangle(0, 5, INT_MIN + 5, -5, INT_MIN, 0);
  PutText(0, 0, INT_MIN, 12, "A\nB");
  PutText(0, INT_MAX, 0, 12, "A");
  EXPECT_EQ(PointPixel(0, 0), kWhite);
  EXPECT_EQ(InkRows(1, BackBufferWidth - 1, 1, BackBufferHeight - 1).size(), 0u);
  // A circle whose edges lie beyond the int range still covers the picture it spans.
  DrawCircle(0, 0, 0, INT_MAX - 100);
  EXPECT_EQ(PointPixel(0, 0), kBlack);
}

}  // namespace
