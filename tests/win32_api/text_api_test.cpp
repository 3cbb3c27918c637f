// Text through the Win32 API alone, as the runtime uses it: the runtime's font and the log
// window's fixed font, their metrics and extents, and what TextOutA paints in OPAQUE and
// TRANSPARENT mode.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

namespace {

const COLORREF kGreen = RGB(0, 255, 0);

HFONT RuntimeFont(int ptsize) {
  return CreateFontA(-ptsize, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     "KX507-font");
}

// A memory DC on a bitmap compatible with the screen, filled with one colour.
struct Canvas {
  int w, h;
  HDC screen, dc;
  HBITMAP bitmap;
  HGDIOBJ old_bitmap;
  Canvas(int width, int height, COLORREF fill) : w(width), h(height) {
    screen = GetDC(NULL);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, w, h);
    old_bitmap = SelectObject(dc, bitmap);
    Fill(fill);
  }
  ~Canvas() {
    SelectObject(dc, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
  }
  void Fill(COLORREF c) {
    RECT r = {0, 0, w, h};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  COLORREF At(int x, int y) { return GetPixel(dc, x, y) & 0xFFFFFF; }
  int Count(COLORREF c) {
    int n = 0;
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) n += At(x, y) == c;
    return n;
  }
};

TEST(TextApi, RuntimeFontMetricsAndExtent) {
  Canvas c(10, 10, kGreen);
  HFONT font = RuntimeFont(12);
  ASSERT_TRUE(font != NULL);
  HGDIOBJ old = SelectObject(c.dc, font);
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
  EXPECT_EQ(tm.tmHeight, 14);
  EXPECT_EQ(tm.tmAscent, 11);
  EXPECT_EQ(tm.tmDescent, 3);
  EXPECT_EQ(tm.tmInternalLeading, 1);
  EXPECT_EQ(tm.tmExternalLeading, 0);
  EXPECT_EQ(tm.tmWeight, FW_NORMAL);
  SIZE sz = {0, 0};
  ASSERT_TRUE(GetTextExtentPointA(c.dc, "Click a button", 14, &sz));
  EXPECT_EQ(sz.cx, 74);
  EXPECT_EQ(sz.cy, 14);
  SIZE sz32 = {0, 0};
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "Click a button", 14, &sz32));
  EXPECT_EQ(sz32.cx, 74);
  EXPECT_EQ(sz32.cy, 14);
  // Longer text is wider, a bigger font taller and wider.
  ASSERT_TRUE(GetTextExtentPointA(c.dc, "Click a button twice", 20, &sz));
  EXPECT_GT(sz.cx, 74);
  SelectObject(c.dc, old);
  DeleteObject(font);
  font = RuntimeFont(24);
  old = SelectObject(c.dc, font);
  ASSERT_TRUE(GetTextExtentPointA(c.dc, "Click a button", 14, &sz));
  EXPECT_GT(sz.cx, 74 * 3 / 2);
  EXPECT_GT(sz.cy, 14 * 3 / 2);
  SelectObject(c.dc, old);
  DeleteObject(font);
}

TEST(TextApi, AnsiFixedFontMetrics) {
  Canvas c(10, 10, kGreen);
  HGDIOBJ old = SelectObject(c.dc, GetStockObject(ANSI_FIXED_FONT));
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
  EXPECT_EQ(tm.tmHeight, 12);
  EXPECT_EQ(tm.tmAscent, 9);
  EXPECT_EQ(tm.tmDescent, 3);
  EXPECT_EQ(tm.tmInternalLeading, 1);
  EXPECT_EQ(tm.tmExternalLeading, 0);
  EXPECT_EQ(tm.tmAveCharWidth, 7);
  // Fixed pitch: every character is as wide as the average.
  SIZE narrow, wide;
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "iiiiiiii", 8, &narrow));
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "WWWWWWWW", 8, &wide));
  EXPECT_EQ(narrow.cx, 8 * tm.tmAveCharWidth);
  EXPECT_EQ(wide.cx, narrow.cx);
  EXPECT_EQ(wide.cy, 12);
  SelectObject(c.dc, old);
}

TEST(TextApi, OpaqueFillsTheCellTransparentDoesNot) {
  Canvas c(120, 40, kGreen);
  HFONT font = RuntimeFont(12);
  HGDIOBJ old = SelectObject(c.dc, font);
  SIZE sz;
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "Hi there", 8, &sz));
  SetTextColor(c.dc, RGB(0, 0, 0));
  SetBkColor(c.dc, RGB(255, 0, 0));

  SetBkMode(c.dc, OPAQUE);
  ASSERT_TRUE(TextOutA(c.dc, 10, 10, "Hi there", 8));
  int inside_green = 0, outside_changed = 0, black = 0;
  for (int y = 0; y < c.h; y++)
    for (int x = 0; x < c.w; x++) {
      bool inside = x >= 10 && x < 10 + sz.cx && y >= 10 && y < 10 + sz.cy;
      COLORREF p = c.At(x, y);
      if (inside && p == kGreen) inside_green++;
      if (!inside && p != kGreen) outside_changed++;
      black += p == RGB(0, 0, 0);
    }
  EXPECT_EQ(inside_green, 0);
  EXPECT_EQ(outside_changed, 0);
  EXPECT_GT(black, 10);
  EXPECT_GT(c.Count(RGB(255, 0, 0)), sz.cx * sz.cy / 2);

  c.Fill(kGreen);
  SetBkMode(c.dc, TRANSPARENT);
  ASSERT_TRUE(TextOutA(c.dc, 10, 10, "Hi there", 8));
  EXPECT_EQ(c.Count(RGB(255, 0, 0)), 0);
  EXPECT_GT(c.Count(RGB(0, 0, 0)), 10);
  EXPECT_GT(c.Count(kGreen), c.w * c.h - sz.cx * sz.cy / 2);
  EXPECT_EQ(c.At(10, 10), kGreen);

  SelectObject(c.dc, old);
  DeleteObject(font);
}

// An empty line is a TextOutA of no characters: it succeeds and paints nothing, even
// with an opaque background. A negative count is refused.
TEST(TextApi, EmptyAndNegativeCounts) {
  Canvas c(40, 20, kGreen);
  HFONT font = RuntimeFont(12);
  HGDIOBJ old = SelectObject(c.dc, font);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, RGB(255, 0, 0));
  EXPECT_TRUE(TextOutA(c.dc, 2, 2, "abc", 0));
  EXPECT_FALSE(TextOutA(c.dc, 2, 2, "abc", -1));
  EXPECT_EQ(c.Count(kGreen), 40 * 20);
  SIZE sz = {5, 5};
  EXPECT_TRUE(GetTextExtentPointA(c.dc, "abc", 0, &sz));
  EXPECT_EQ(sz.cx, 0);
  SelectObject(c.dc, old);
  DeleteObject(font);
}

// A line drawn far outside the bitmap, as a scrolled log or a scene edge may, succeeds and
// leaves the bitmap alone.
TEST(TextApi, FarCoordinatesDrawNothing) {
  Canvas c(40, 20, kGreen);
  SetBkMode(c.dc, OPAQUE);
  const char* text = "far away";
  EXPECT_TRUE(TextOutA(c.dc, 0x7FFFFFF0, 0x7FFFFFF0, text, (int)strlen(text)));
  EXPECT_TRUE(TextOutA(c.dc, -0x7FFFFFF0, -0x7FFFFFF0, text, (int)strlen(text)));
  EXPECT_TRUE(TextOutA(c.dc, 5, -1000, text, (int)strlen(text)));
  EXPECT_EQ(c.Count(kGreen), 40 * 20);
}

}  // namespace
