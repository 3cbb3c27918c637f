// BitBlt, ScrollDC and FillRect: copies in every direction on one surface, clipping to
// both surfaces, the scroll and clip rectangles Windows honours, and version bumps.
#include <gtest/gtest.h>

#include "gdi/gdi.h"

namespace {

using platform::Surface;

std::shared_ptr<Surface> Numbered(int w, int h) {
  auto s = std::make_shared<Surface>(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s->pixels[size_t(y * w + x)] = uint32_t(0x010000 * x + y + 1);
  return s;
}

uint32_t At(const Surface& s, int x, int y) { return s.pixels[size_t(y * s.width + x)]; }

// The picture a copy of src's box (sx, sy, w, h) to (dx, dy) should leave on dst, pixel by
// pixel from untouched copies: what a correct overlapping copy produces.
std::vector<uint32_t> Expected(const Surface& dst, const Surface& src, int dx, int dy, int w, int h,
                               int sx, int sy) {
  std::vector<uint32_t> out = dst.pixels;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int tx = dx + x, ty = dy + y, fx = sx + x, fy = sy + y;
      if (tx < 0 || ty < 0 || tx >= dst.width || ty >= dst.height) continue;
      if (fx < 0 || fy < 0 || fx >= src.width || fy >= src.height) continue;
      out[size_t(ty * dst.width + tx)] = At(src, fx, fy);
    }
  return out;
}

TEST(GdiBlit, OverlappingCopiesOnOneSurfaceInEveryDirection) {
  for (int ddx = -3; ddx <= 3; ddx += 3)
    for (int ddy = -3; ddy <= 3; ddy += 3) {
      auto s = Numbered(16, 12);
      HDC dc = platform::CreateSurfaceDC(s, nullptr);
      Surface before = *s;
      uint64_t version = s->version;
      ASSERT_TRUE(BitBlt(dc, 4 + ddx, 3 + ddy, 8, 6, dc, 4, 3, SRCCOPY));
      EXPECT_EQ(s->pixels, Expected(before, before, 4 + ddx, 3 + ddy, 8, 6, 4, 3))
          << "move by " << ddx << "," << ddy;
      if (ddx || ddy) {
        EXPECT_GT(s->version, version);
      }
      platform::DestroySurfaceDC(dc);
    }
}

TEST(GdiBlit, CopiesBetweenMemoryAndWindowClippedToBothSurfaces) {
  auto window = Numbered(20, 10);
  HDC wdc = platform::CreateSurfaceDC(window, nullptr);
  HDC mdc = CreateCompatibleDC(wdc);
  HBITMAP bitmap = CreateCompatibleBitmap(wdc, 8, 6);
  HGDIOBJ stock = SelectObject(mdc, bitmap);
  Surface& mem = *platform::gdi::LookupBitmap(bitmap)->surface;
  // Window to memory, starting left of and above the window: only the overlap moves.
  Surface mem_before = mem;
  ASSERT_TRUE(BitBlt(mdc, 0, 0, 8, 6, wdc, -3, -2, SRCCOPY));
  EXPECT_EQ(mem.pixels, Expected(mem_before, *window, 0, 0, 8, 6, -3, -2));
  EXPECT_EQ(At(mem, 3, 2), At(*window, 0, 0));
  EXPECT_EQ(At(mem, 2, 2), 0u) << "nothing from outside the source";
  // Memory to window, hanging over the right and bottom edges.
  Surface win_before = *window;
  ASSERT_TRUE(BitBlt(wdc, 15, 7, 8, 6, mdc, 0, 0, SRCCOPY));
  EXPECT_EQ(window->pixels, Expected(win_before, mem, 15, 7, 8, 6, 0, 0));
  // Entirely outside either surface: nothing changes, no failure.
  win_before = *window;
  EXPECT_TRUE(BitBlt(wdc, 25, 0, 5, 5, mdc, 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(wdc, 0, 0, 5, 5, mdc, -100, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(wdc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, mdc, 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(wdc, INT32_MAX, 0, INT32_MAX, 5, mdc, INT32_MIN, 0, SRCCOPY));
  EXPECT_EQ(window->pixels, win_before.pixels);
  // Negative extents run back from the given pixel, which is included, without mirroring.
  auto s = Numbered(10, 10);
  HDC dc = platform::CreateSurfaceDC(s, nullptr);
  Surface sb = *s;
  ASSERT_TRUE(BitBlt(dc, 3, 3, -2, -2, dc, 6, 6, SRCCOPY));
  EXPECT_EQ(s->pixels, Expected(sb, sb, 2, 2, 2, 2, 5, 5));
  EXPECT_FALSE(BitBlt(dc, 0, 0, 2, 2, dc, 1, 1, 0x00EE0086)) << "only SRCCOPY is supported";
  SelectObject(mdc, stock);
  DeleteObject(bitmap);
  DeleteDC(mdc);
  platform::DestroySurfaceDC(dc);
  platform::DestroySurfaceDC(wdc);
}

TEST(GdiBlit, MonochromeAndColourConvertThroughTheDCColours) {
  auto window = std::make_shared<Surface>(4, 1, 0xFFFFFF);
  HDC wdc = platform::CreateSurfaceDC(window, nullptr);
  HDC mdc = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(mdc, 4, 1);
  SelectObject(mdc, mono);
  SetPixel(mdc, 0, 0, RGB(255, 255, 255));
  SetPixel(mdc, 1, 0, RGB(0, 0, 0));
  SetTextColor(wdc, RGB(10, 20, 30));
  SetBkColor(wdc, RGB(40, 50, 60));
  ASSERT_TRUE(BitBlt(wdc, 0, 0, 2, 1, mdc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(wdc, 0, 0), RGB(40, 50, 60)) << "white takes the background colour";
  EXPECT_EQ(GetPixel(wdc, 1, 0), RGB(10, 20, 30)) << "black takes the text colour";
  SetPixel(wdc, 2, 0, RGB(1, 1, 1));
  SetPixel(wdc, 3, 0, RGB(40, 50, 60));
  ASSERT_TRUE(BitBlt(mdc, 0, 0, 2, 1, wdc, 2, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(mdc, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(mdc, 1, 0), RGB(255, 255, 255)) << "the background colour becomes white";
  DeleteDC(mdc);
  DeleteObject(mono);
  platform::DestroySurfaceDC(wdc);
}

struct ScrollCase {
  int dx, dy;
  bool scroll, clip;
  RECT scroll_rect, clip_rect;
  RECT update;  // what Wine reports (and what Windows documents) for these rectangles
};

TEST(GdiBlit, ScrollDCMovesPixelsWithinTheClipAndReportsWhatIsLeftToPaint) {
  const ScrollCase cases[] = {
      {1, 1, true, false, {2, 2, 6, 6}, {}, {2, 2, 6, 6}},
      {1, 1, true, true, {2, 2, 6, 6}, {0, 0, 5, 5}, {2, 2, 5, 5}},
      {1, 1, false, true, {}, {0, 0, 5, 5}, {0, 0, 5, 5}},
      {2, 2, true, true, {0, 0, 5, 5}, {0, 0, 5, 5}, {0, 0, 5, 5}},
      {0, 3, true, true, {0, 0, 10, 10}, {0, 0, 10, 10}, {0, 0, 10, 3}},
      {-4, 0, true, true, {0, 0, 10, 10}, {0, 0, 10, 10}, {6, 0, 10, 10}},
      {0, 0, false, false, {}, {}, {0, 0, 0, 0}},
  };
  for (const ScrollCase& c : cases) {
    auto s = Numbered(10, 10);
    HDC dc = platform::CreateSurfaceDC(s, nullptr);
    Surface before = *s;
    RECT update = {-1, -1, -1, -1};
    ASSERT_TRUE(ScrollDC(dc, c.dx, c.dy, c.scroll ? &c.scroll_rect : nullptr,
                         c.clip ? &c.clip_rect : nullptr, nullptr, &update));
    // Expected pixels: the scroll rectangle's pixels moved, landing only inside the clip.
    RECT sr = c.scroll ? c.scroll_rect : RECT{0, 0, 10, 10};
    RECT cr = c.clip ? c.clip_rect : RECT{0, 0, 10, 10};
    std::vector<uint32_t> want = before.pixels;
    for (int y = sr.top; y < sr.bottom; ++y)
      for (int x = sr.left; x < sr.right; ++x) {
        int tx = x + c.dx, ty = y + c.dy;
        if (tx < cr.left || tx >= cr.right || ty < cr.top || ty >= cr.bottom) continue;
        want[size_t(ty * 10 + tx)] = At(before, x, y);
      }
    EXPECT_EQ(s->pixels, want) << "scroll by " << c.dx << "," << c.dy;
    EXPECT_EQ(update.left, c.update.left);
    EXPECT_EQ(update.top, c.update.top);
    EXPECT_EQ(update.right, c.update.right);
    EXPECT_EQ(update.bottom, c.update.bottom);
    platform::DestroySurfaceDC(dc);
  }
}

TEST(GdiBlit, ScrollDCWithNullRectanglesShiftsTheWholeSurface) {
  // As the message log scrolls: up by a line, the uncovered strip keeps its old pixels.
  auto s = Numbered(30, 20);
  HDC dc = platform::CreateSurfaceDC(s, nullptr);
  Surface before = *s;
  ASSERT_TRUE(ScrollDC(dc, 0, -7, nullptr, nullptr, nullptr, nullptr));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x)
      ASSERT_EQ(At(*s, x, y), y < 13 ? At(before, x, y + 7) : At(before, x, y)) << x << "," << y;
  // Far beyond the surface: nothing moves, nothing breaks.
  before = *s;
  EXPECT_TRUE(ScrollDC(dc, INT32_MAX, INT32_MIN, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(s->pixels, before.pixels);
  platform::DestroySurfaceDC(dc);
}

TEST(GdiBlit, FillRectPaintsWithTheBrushClippedToTheSurface) {
  auto s = std::make_shared<Surface>(6, 5, 0xFFFFFF);
  HDC dc = platform::CreateSurfaceDC(s, nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(9, 8, 7));
  RECT r = {-2, 3, 3, 100};
  uint64_t version = s->version;
  EXPECT_NE(FillRect(dc, &r, brush), 0);
  EXPECT_GT(s->version, version);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(GetPixel(dc, x, y), (x < 3 && y >= 3) ? RGB(9, 8, 7) : RGB(255, 255, 255));
  // The brush is used, not selected: the DC keeps its own.
  EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), GetStockObject(WHITE_BRUSH));
  RECT all = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_NE(FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH)), 0);
  EXPECT_EQ(GetPixel(dc, 5, 4), RGB(0, 0, 0));
  EXPECT_NE(FillRect(dc, &all, (HBRUSH)GetStockObject(NULL_BRUSH)), 0);
  EXPECT_EQ(GetPixel(dc, 5, 4), RGB(0, 0, 0)) << "the null brush paints nothing";
  DeleteObject(brush);
  EXPECT_EQ(FillRect(dc, &r, brush), 0) << "a deleted brush is refused";
  EXPECT_EQ(FillRect(dc, nullptr, (HBRUSH)GetStockObject(BLACK_BRUSH)), 0);
  platform::DestroySurfaceDC(dc);
}

}  // namespace
