// Ellipses served from kept shapes: pixel for pixel what a fresh drawing gives, at any
// place (clipped on every side), in any colours, and after shapes were pushed out.
#include <gtest/gtest.h>

#include "gdi/gdi.h"

namespace {

using platform::Surface;

constexpr int kW = 80, kH = 70;

struct Canvas {
  std::shared_ptr<Surface> s = std::make_shared<Surface>(kW, kH, 0xFFFFFF);
  HDC dc = platform::CreateSurfaceDC(s, nullptr);
  ~Canvas() { platform::DestroySurfaceDC(dc); }
  void Clear() { std::fill(s->pixels.begin(), s->pixels.end(), 0xFFFFFF); }
};

struct Tools {
  HPEN pen;
  HBRUSH brush;
  Tools(int pen_width, COLORREF pen_colour, bool brush_on, COLORREF brush_colour) {
    pen = pen_width > 0 ? CreatePen(PS_SOLID, pen_width, pen_colour) : CreatePen(PS_NULL, 1, 0);
    brush = brush_on ? CreateSolidBrush(brush_colour) : (HBRUSH)GetStockObject(NULL_BRUSH);
  }
  ~Tools() {
    DeleteObject(pen);
    DeleteObject(brush);
  }
};

// Draws one ellipse on a cleared canvas and returns its pixels.
std::vector<uint32_t> Draw(Canvas& c, const Tools& t, int l, int top, int r, int b) {
  c.Clear();
  HGDIOBJ op = SelectObject(c.dc, t.pen), ob = SelectObject(c.dc, t.brush);
  EXPECT_TRUE(Ellipse(c.dc, l, top, r, b));
  SelectObject(c.dc, op);
  SelectObject(c.dc, ob);
  return c.s->pixels;
}

TEST(GdiShapeCache, KeptShapesDrawWhatAFreshDrawingDraws) {
  Canvas c;
  const int sizes[] = {1, 2, 3, 4, 5, 7, 10, 11, 16, 25, 33, 51, 60};
  const int pens[] = {0, 1, 2, 3, 5, 8};
  // Inside, and cut off on the left, top, right and bottom.
  const int places[][2] = {{10, 8}, {-9, 5}, {6, -12}, {kW - 20, 30}, {30, kH - 15}};
  int compared = 0;
  for (int w : sizes)
    for (int h : sizes)
      for (int pw : pens)
        for (bool brush : {false, true}) {
          if (pw == 0 && !brush) continue;
          Tools first(pw, RGB(200, 0, 0), brush, RGB(0, 0, 200));
          Tools second(pw, RGB(10, 120, 30), brush, RGB(250, 250, 0));
          for (const auto& at : places) {
            int l = at[0], t = at[1];
            platform::gdi::SetShapeCacheEnabled(false);
            std::vector<uint32_t> fresh = Draw(c, second, l, t, l + w, t + h);
            platform::gdi::SetShapeCacheEnabled(true);
            // The shape is made with one pair of colours and laid down with another.
            Draw(c, first, 3, 2, 3 + w, 2 + h);
            auto before = platform::gdi::GetShapeCacheStats();
            std::vector<uint32_t> kept = Draw(c, second, l, t, l + w, t + h);
            auto after = platform::gdi::GetShapeCacheStats();
            ASSERT_EQ(after.hits, before.hits + 1) << w << "x" << h << " pen " << pw;
            ASSERT_EQ(after.builds, before.builds);
            ASSERT_EQ(fresh, kept)
                << w << "x" << h << " pen " << pw << " brush " << brush << " at " << l << "," << t;
            ++compared;
          }
        }
  EXPECT_GT(compared, 4000);
}

TEST(GdiShapeCache, ShapesPushedOutAreMadeAgainAlike) {
  Canvas c;
  Tools t(2, RGB(0, 0, 0), true, RGB(0, 160, 0));
  platform::gdi::SetShapeCacheEnabled(false);
  std::vector<uint32_t> fresh = Draw(c, t, 20, 15, 45, 40);
  platform::gdi::SetShapeCacheEnabled(true);
  EXPECT_EQ(Draw(c, t, 20, 15, 45, 40), fresh);
  // Many other sizes take every place the cache has.
  for (int w = 5; w < 205; ++w) Draw(c, t, 0, 0, w, 9);
  auto before = platform::gdi::GetShapeCacheStats();
  EXPECT_EQ(Draw(c, t, 20, 15, 45, 40), fresh);
  EXPECT_EQ(platform::gdi::GetShapeCacheStats().builds, before.builds + 1);
  // Reversed corners name the same box.
  EXPECT_EQ(Draw(c, t, 45, 40, 20, 15), fresh);
}

TEST(GdiShapeCache, LargeShapesAreKeptWhenTheyComeAgain) {
  Canvas c;
  Tools t(3, RGB(0, 0, 0), true, RGB(0, 160, 0));
  platform::gdi::SetShapeCacheEnabled(false);
  std::vector<uint32_t> fresh = Draw(c, t, -200, -150, 100, 90);
  platform::gdi::SetShapeCacheEnabled(true);
  auto s0 = platform::gdi::GetShapeCacheStats();
  EXPECT_EQ(Draw(c, t, -200, -150, 100, 90), fresh);  // drawn directly
  auto s1 = platform::gdi::GetShapeCacheStats();
  EXPECT_EQ(s1.builds, s0.builds);
  EXPECT_EQ(s1.hits, s0.hits);
  EXPECT_EQ(Draw(c, t, -200, -150, 100, 90), fresh);  // kept now
  EXPECT_EQ(Draw(c, t, -200, -150, 100, 90), fresh);  // from the kept shape
  auto s2 = platform::gdi::GetShapeCacheStats();
  EXPECT_EQ(s2.builds, s1.builds + 1);
  EXPECT_EQ(s2.hits, s1.hits + 1);
}

}  // namespace
