// Shapes with coordinates anywhere in the int range: clipped to the surface, drawn in
// time proportional to what is visible, without overflow.
#include <gtest/gtest.h>

#include <climits>

#include "gdi/gdi.h"

namespace {

using platform::Surface;

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

struct Scene {
  std::shared_ptr<Surface> s = std::make_shared<Surface>(50, 40, kWhite);
  HDC dc = platform::CreateSurfaceDC(s, nullptr);
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  Scene(int pen_width, bool solid) {
    pen = CreatePen(PS_SOLID, pen_width, RGB(255, 0, 0));
    brush = solid ? CreateSolidBrush(RGB(0, 0, 255)) : (HBRUSH)GetStockObject(NULL_BRUSH);
    SelectObject(dc, pen);
    SelectObject(dc, brush);
  }
  ~Scene() {
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
    platform::DestroySurfaceDC(dc);
  }
  uint32_t At(int x, int y) const { return s->pixels[size_t(y * s->width + x)]; }
  int Count(uint32_t p) const { return int(std::count(s->pixels.begin(), s->pixels.end(), p)); }
};

TEST(GdiRaster, AHugeCircleIsClippedNotWalked) {
  // The surface lies deep inside a circle of radius 2,000,000,000: all brush.
  for (int width : {1, 2, 5}) {
    Scene sc(width, true);
    ASSERT_TRUE(
        Ellipse(sc.dc, 25 - 2000000000, 20 - 2000000000, 26 + 2000000000 - 1, 21 + 2000000000 - 1));
    EXPECT_EQ(sc.Count(kBlue), 50 * 40) << "pen width " << width;
  }
  // The top of a circle of radius 1,000,000,000 crossing the surface: flat at this scale.
  Scene sc(1, true);
  const int r = 1000000000;
  ASSERT_TRUE(Ellipse(sc.dc, 25 - r, 10, 26 + r, 11 + 2 * r));
  for (int x = 0; x < 50; ++x) {
    EXPECT_EQ(sc.At(x, 9), kWhite) << x;
    EXPECT_EQ(sc.At(x, 10), kRed) << x;
    EXPECT_EQ(sc.At(x, 11), kBlue) << x;
    EXPECT_EQ(sc.At(x, 39), kBlue) << x;
  }
}

TEST(GdiRaster, ExtremeRectanglesAndShapesOutsideTheSurface) {
  {
    Scene sc(10, true);
    ASSERT_TRUE(Rectangle(sc.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(sc.Count(kBlue), 50 * 40);
  }
  {
    Scene sc(1, false);
    // The outline's left column at x = 3; everything else far away.
    ASSERT_TRUE(Rectangle(sc.dc, 3, INT_MIN, INT_MAX, INT_MAX));
    for (int y = 0; y < 40; ++y) EXPECT_EQ(sc.At(3, y), kRed);
    EXPECT_EQ(sc.Count(kRed), 40);
  }
  {
    Scene sc(3, true);
    uint64_t version = sc.s->version;
    ASSERT_TRUE(Rectangle(sc.dc, -100, -100, -10, -10));
    ASSERT_TRUE(Ellipse(sc.dc, 60, 0, INT_MAX, 30));
    ASSERT_TRUE(Ellipse(sc.dc, INT_MIN, INT_MIN, INT_MIN + 5, INT_MIN + 5));
    ASSERT_TRUE(Ellipse(sc.dc, INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX));
    EXPECT_EQ(sc.Count(kWhite), 50 * 40) << "shapes outside the surface draw nothing";
    EXPECT_GE(sc.s->version, version) << "the version never goes back";
  }
}

TEST(GdiRaster, LinesAcrossTheWholeIntRange) {
  {
    Scene sc(1, false);
    MoveToEx(sc.dc, INT_MIN, INT_MIN, nullptr);
    ASSERT_TRUE(LineTo(sc.dc, INT_MAX, INT_MAX));
    for (int k = 0; k < 40; ++k) {
      EXPECT_EQ(sc.At(k, k), kRed) << k;
      EXPECT_EQ(sc.At(k + 1, k), kWhite) << k;
    }
    EXPECT_EQ(sc.Count(kRed), 40);
  }
  {
    Scene sc(5, false);
    MoveToEx(sc.dc, -2000000000, 20, nullptr);
    ASSERT_TRUE(LineTo(sc.dc, 2000000000, 20));
    for (int x = 0; x < 50; ++x)
      for (int y = 0; y < 40; ++y)
        ASSERT_EQ(sc.At(x, y), (y >= 18 && y <= 22) ? kRed : kWhite) << x << "," << y;
  }
  {
    Scene sc(4, false);
    MoveToEx(sc.dc, INT_MIN + 100, INT_MIN, nullptr);
    ASSERT_TRUE(LineTo(sc.dc, INT_MIN, INT_MAX));  // passes far to the left of the surface
    EXPECT_EQ(sc.Count(kWhite), 50 * 40);
  }
}

TEST(GdiRaster, EveryDrawingCallMarksTheSurfaceChanged) {
  Scene sc(1, true);
  auto bumped = [&](auto draw) {
    uint64_t v = sc.s->version;
    draw();
    return sc.s->version > v;
  };
  EXPECT_TRUE(bumped([&] { Rectangle(sc.dc, 1, 1, 5, 5); }));
  EXPECT_TRUE(bumped([&] { Ellipse(sc.dc, 1, 1, 9, 9); }));
  EXPECT_TRUE(bumped([&] {
    MoveToEx(sc.dc, 0, 0, nullptr);
    LineTo(sc.dc, 9, 3);
  }));
  EXPECT_TRUE(bumped([&] { SetPixel(sc.dc, 2, 2, 0); }));
  RECT r = {0, 0, 3, 3};
  EXPECT_TRUE(bumped([&] { FillRect(sc.dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH)); }));
  EXPECT_TRUE(bumped([&] { BitBlt(sc.dc, 1, 1, 5, 5, sc.dc, 0, 0, SRCCOPY); }));
  EXPECT_TRUE(bumped([&] { ScrollDC(sc.dc, 0, 2, nullptr, nullptr, nullptr, nullptr); }));
}

TEST(GdiRaster, TheRuntimesClearingRectangle) {
  // A white brush and the default pen over a 601 x 540 back buffer: white inside a
  // one-pixel black border.
  auto s = std::make_shared<Surface>(601, 540, 0x123456);
  HDC dc = platform::CreateSurfaceDC(s, nullptr);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(dc, white);
  ASSERT_TRUE(Rectangle(dc, 0, 0, 601, 540));
  SelectObject(dc, old);
  DeleteObject(white);
  for (int y = 0; y < 540; ++y)
    for (int x = 0; x < 601; ++x) {
      bool border = x == 0 || y == 0 || x == 600 || y == 539;
      ASSERT_EQ(s->pixels[size_t(y * 601 + x)], border ? 0u : kWhite) << x << "," << y;
    }
  platform::DestroySurfaceDC(dc);
}

}  // namespace
