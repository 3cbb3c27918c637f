// Whole-width row moves that slide the pixel block over spare rows: after any mix of
// scrolls, copies, drawing and resizes, every pixel must be what moving every pixel
// would have left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "gdi/gdi.h"

namespace {

using platform::Surface;

// The plain picture: a vector moved pixel by pixel, as ScrollDC is documented.
struct Model {
  int w, h;
  std::vector<uint32_t> px;
  uint32_t& At(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
  void Scroll(int dx, int dy, const RECT* scroll, const RECT* clip) {
    RECT all = {0, 0, w, h};
    RECT s = scroll ? *scroll : all, c = clip ? *clip : all;
    for (RECT* r : {&s, &c}) {
      r->left = std::max(r->left, all.left);
      r->top = std::max(r->top, all.top);
      r->right = std::min(r->right, all.right);
      r->bottom = std::min(r->bottom, all.bottom);
    }
    std::vector<uint32_t> before = px;
    for (int y = s.top; y < s.bottom; ++y)
      for (int x = s.left; x < s.right; ++x) {
        int tx = x + dx, ty = y + dy;
        if (tx < c.left || tx >= c.right || ty < c.top || ty >= c.bottom) continue;
        At(tx, ty) = before[size_t(y) * size_t(w) + size_t(x)];
      }
  }
};

std::shared_ptr<Surface> Numbered(int w, int h, Model* m) {
  auto s = std::make_shared<Surface>(w, h);
  m->w = w;
  m->h = h;
  m->px.resize(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s->pixels[size_t(y * w + x)] = m->At(x, y) = uint32_t(x << 12 | y);
  return s;
}

// The surface as another DC sees it: copied out through BitBlt.
std::vector<uint32_t> CopiedOut(HDC dc, int w, int h) {
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old = SelectObject(mem, bitmap);
  EXPECT_TRUE(BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY));
  std::vector<uint32_t> out = platform::gdi::LookupBitmap(bitmap)->surface->pixels;
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  return out;
}

// Every case with the pixels in a ring where the system maps one, and with spare rows.
class SurfaceScroll : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { platform::pixel_rings = GetParam(); }
  void TearDown() override { platform::pixel_rings = true; }
};

INSTANTIATE_TEST_SUITE_P(Store, SurfaceScroll, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return std::string(i.param ? "Ring" : "SpareRows");
                         });

TEST_P(SurfaceScroll, RandomScrollsCopiesAndDrawingMatchMovingEveryPixel) {
  std::mt19937 rng(507);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 40; ++round) {
    Model m{};
    auto s = Numbered(pick(1, 9), pick(2, 30), &m);
    HDC dc = platform::CreateSurfaceDC(s, nullptr);
    for (int step = 0; step < 120; ++step) {
      int kind = pick(0, 10);
      int dy = pick(-m.h, m.h), dx = 0;
      RECT scroll = {0, pick(-2, m.h), m.w, pick(0, m.h + 2)};
      RECT clip = {0, pick(-2, m.h), m.w, pick(0, m.h + 2)};
      const RECT* sp = nullptr;
      const RECT* cp = nullptr;
      if (kind <= 3) {
        // The log's scroll: the whole surface, mostly by a short line.
        if (kind <= 2) dy = pick(-3, 3);
      } else if (kind == 4) {
        sp = &scroll;  // whole-width band
      } else if (kind == 5) {
        cp = &clip;
      } else if (kind == 6) {
        // Not whole-width: some columns, or a sideways move.
        scroll.left = pick(0, m.w - 1);
        sp = &scroll;
        dx = pick(-1, 1);
      } else if (kind == 7) {
        // A copy from the surface onto itself, whole rows.
        int top = pick(0, m.h - 1), rows = pick(1, m.h - top);
        int to = pick(-2, m.h);
        ASSERT_TRUE(BitBlt(dc, 0, to, m.w, rows, dc, 0, top, SRCCOPY));
        RECT band = {0, top, m.w, top + rows};
        m.Scroll(0, to - top, &band, nullptr);
        continue;
      } else if (kind == 8) {
        // Filling a box, as the log clears its new line: part of the rows a scroll left
        // uncovered, all of them, or beyond them.
        RECT box = {pick(-1, m.w), pick(-1, m.h), pick(0, m.w + 1), pick(0, m.h + 1)};
        if (pick(0, 1)) box.left = 0, box.right = m.w + pick(-1, 1);
        uint32_t c = uint32_t(pick(0, 0xFFFFFF));
        HBRUSH brush = CreateSolidBrush(platform::PixelToColor(c));
        FillRect(dc, &box, brush);
        DeleteObject(brush);
        for (int y = std::max<int>(box.top, 0); y < std::min<int>(box.bottom, m.h); ++y)
          for (int x = std::max<int>(box.left, 0); x < std::min<int>(box.right, m.w); ++x)
            m.At(x, y) = c;
        ASSERT_EQ(s->pixels, m.px) << "round " << round << " step " << step << " fill";
        continue;
      } else {
        // Drawing between scrolls lands on the rows shown now.
        int x = pick(0, m.w - 1), y = pick(0, m.h - 1);
        uint32_t c = uint32_t(pick(0, 0xFFFFFF));
        SetPixel(dc, x, y, platform::PixelToColor(c));
        m.At(x, y) = c;
        continue;
      }
      uint64_t version = s->version;
      ASSERT_TRUE(ScrollDC(dc, dx, dy, sp, cp, nullptr, nullptr));
      m.Scroll(dx, dy, sp, cp);
      ASSERT_EQ(s->pixels, m.px) << "round " << round << " step " << step << " kind " << kind
                                 << " dy " << dy << " on " << m.w << "x" << m.h;
      if (dy != 0 && std::abs(dy) < m.h && !(sp || cp)) {
        EXPECT_GT(s->version, version);
      }
    }
    EXPECT_EQ(CopiedOut(dc, m.w, m.h), m.px);
    platform::DestroySurfaceDC(dc);
  }
}

TEST_P(SurfaceScroll, LongRunsEachWayThenResizeKeepTheTopLeftPicture) {
  Model m{};
  auto s = Numbered(16, 40, &m);
  HDC dc = platform::CreateSurfaceDC(s, nullptr);
  // Far more lines than the spare rows hold, up and then down: the block is moved back
  // across the buffer several times.
  for (int i = 0; i < 500; ++i) {
    int dy = i < 300 ? -3 : 5;
    ASSERT_TRUE(ScrollDC(dc, 0, dy, nullptr, nullptr, nullptr, nullptr));
    m.Scroll(0, dy, nullptr, nullptr);
    // The log then writes its new line into the uncovered rows.
    int y = dy < 0 ? 40 + dy : 0;
    SetPixel(dc, i % 16, y, RGB(i & 0xFF, 1, 2));
    m.At(i % 16, y) = platform::ColorToPixel(RGB(i & 0xFF, 1, 2));
    ASSERT_EQ(s->pixels, m.px) << "line " << i;
  }
  // A copy of the surface holds its pixels only.
  Surface copy = *s;
  EXPECT_EQ(copy.pixels.size(), size_t(16 * 40));
  EXPECT_EQ(copy.pixels, m.px);
  Surface moved = std::move(copy);
  EXPECT_EQ(moved.pixels, m.px);
  // Taller and narrower: the overlap stays, the rest is filled.
  s->Resize(10, 50, 0xABCDEF);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 10; ++x)
      ASSERT_EQ(s->pixels[size_t(y * 10 + x)], y < 40 ? m.At(x, y) : 0xABCDEFu) << x << "," << y;
  // And scrolling goes on at the new size.
  Model r{10, 50, std::vector<uint32_t>(s->pixels)};
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(ScrollDC(dc, 0, -7, nullptr, nullptr, nullptr, nullptr));
    r.Scroll(0, -7, nullptr, nullptr);
  }
  EXPECT_EQ(s->pixels, r.px);
  EXPECT_EQ(CopiedOut(dc, 10, 50), r.px);
  platform::DestroySurfaceDC(dc);
}

// One line as the message log appends it: scroll up a line, clear it, draw its text.
// plain scrolls through a separate bitmap instead, which moves every pixel.
void AppendLine(HDC dc, HDC scratch, int w, int h, const char* text, bool plain) {
  HGDIOBJ font = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  int line = tm.tmHeight + tm.tmExternalLeading;
  if (plain) {
    ASSERT_TRUE(BitBlt(scratch, 0, 0, w, h, dc, 0, 0, SRCCOPY));
    ASSERT_TRUE(BitBlt(dc, 0, 0, w, h - line, scratch, 0, line, SRCCOPY));
  } else {
    ASSERT_TRUE(ScrollDC(dc, 0, -line, nullptr, nullptr, nullptr, nullptr));
  }
  HBRUSH brush = CreateSolidBrush(GetBkColor(dc));
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, 0, h - line, w, h + 1);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  DeleteObject(brush);
  TextOutA(dc, 5, h - line, text, int(std::strlen(text)));
  SelectObject(dc, font);
}

TEST_P(SurfaceScroll, LogLinesMatchTheSameLinesScrolledByMovingEveryPixel) {
  const int w = 300, h = 120;
  Model unused{};
  auto fast = Numbered(w, h, &unused);
  auto plain = std::make_shared<Surface>(*fast);
  HDC fast_dc = platform::CreateSurfaceDC(fast, nullptr);
  HDC plain_dc = platform::CreateSurfaceDC(plain, nullptr);
  HDC scratch = CreateCompatibleDC(plain_dc);
  HBITMAP bitmap = CreateCompatibleBitmap(plain_dc, w, h);
  HGDIOBJ old = SelectObject(scratch, bitmap);
  char text[128];
  for (int i = 0; i < 200; ++i) {
    // Some lines reach past the right edge; the last column is never cleared.
    std::snprintf(text, sizeof text, "%s circle at (%d,%d), radius %d%s", i % 3 ? "Red" : "Blue",
                  i * 7 % 601, i * 13 % 540, i % 40,
                  i % 17 == 0 ? " and a long tail of text past the right-hand edge" : "");
    if (i % 50 == 49) {
      SetBkColor(fast_dc, RGB(i, 200, 100));
      SetBkColor(plain_dc, RGB(i, 200, 100));
    }
    AppendLine(fast_dc, nullptr, w, h, text, false);
    AppendLine(plain_dc, scratch, w, h, text, true);
    ASSERT_EQ(fast->pixels, plain->pixels) << "line " << i;
  }
  EXPECT_EQ(CopiedOut(fast_dc, w, h), std::vector<uint32_t>(plain->pixels));
  SelectObject(scratch, old);
  DeleteObject(bitmap);
  DeleteDC(scratch);
  platform::DestroySurfaceDC(plain_dc);
  platform::DestroySurfaceDC(fast_dc);
}

TEST_P(SurfaceScroll, MoveRowsIgnoresMovesOutsideTheSurface) {
  Model m{};
  auto s = Numbered(4, 8, &m);
  s->MoveRows(0, 8, 1);    // the last row would leave the surface
  s->MoveRows(-1, 3, -1);  // clipped to rows 0..2, then row 0 would leave it
  s->MoveRows(5, 3, 1);    // empty
  s->MoveRows(0, 4, 0);    // nowhere
  EXPECT_EQ(s->pixels, m.px);
  s->MoveRows(2, 8, -2);
  m.Scroll(0, -2, nullptr, nullptr);
  EXPECT_EQ(s->pixels, m.px);
  Surface empty;
  empty.MoveRows(0, 1, 1);
  EXPECT_TRUE(empty.pixels.empty());
}

// Surfaces copied, assigned and moved after their pixels slid keep the picture, and the
// source keeps scrolling correctly afterwards.
TEST_P(SurfaceScroll, SlidSurfacesCopyAssignAndMoveTheirPicture) {
  Model m{};
  auto s = Numbered(16, 40, &m);
  for (int i = 0; i < 25; ++i) {
    s->MoveRows(3, 40, -3);
    m.Scroll(0, -3, nullptr, nullptr);
  }
  Surface copy = *s;
  EXPECT_EQ(copy.pixels, m.px);
  Model other{};
  auto target = Numbered(16, 40, &other);
  for (int i = 0; i < 7; ++i) target->MoveRows(0, 35, 5);
  *target = *s;  // onto a surface whose pixels slid too
  EXPECT_EQ(target->pixels, m.px);
  Surface moved = std::move(copy);
  EXPECT_EQ(moved.pixels, m.px);
  moved = std::move(*target);
  EXPECT_EQ(moved.pixels, m.px);
  for (int i = 0; i < 30; ++i) {
    s->MoveRows(0, 38, 2);
    m.Scroll(0, 2, nullptr, nullptr);
    moved.MoveRows(0, 38, 2);
  }
  EXPECT_EQ(s->pixels, m.px);
  EXPECT_EQ(moved.pixels, m.px);
  s->Resize(16, 41);  // the picture leaves the ring for a plain block
  EXPECT_EQ(std::vector<uint32_t>(s->pixels.begin(), s->pixels.begin() + 16 * 40), m.px);
}

// Pictures of a window's size and larger live in blocks of whole huge pages (a megabyte
// and up): they scroll, copy, move and resize like any other, across the sizes where
// the block's rounding changes.
TEST_P(SurfaceScroll, LargeSurfacesKeepTheirPictureThroughScrollsCopiesAndResizes) {
  for (const auto& [w, h] : {std::pair{512, 512}, std::pair{601, 540}, std::pair{1030, 700}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    Model m{};
    auto s = Numbered(w, h, &m);
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
    // Where huge pages are offered the block starts on one.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(s->pixels.data()) % (uintptr_t(2) << 20), 0u);
#endif
    for (int i = 0; i < 12; ++i) {
      const int dy = i < 8 ? -37 : 53;
      s->MoveRows(dy < 0 ? -dy : 0, dy < 0 ? h : h - dy, dy);
      m.Scroll(0, dy, nullptr, nullptr);
      s->pixels[size_t(i)] = m.px[size_t(i)] = 0xC0FFEEu;
    }
    ASSERT_EQ(s->pixels, m.px);
    Surface copy = *s;
    EXPECT_EQ(copy.pixels, m.px);
    Surface moved = std::move(copy);
    EXPECT_EQ(moved.pixels, m.px);
    // Smaller than the huge-page size and back: the overlap stays, the rest is filled.
    s->Resize(w / 4, h / 4, 0x123456);
    for (int y = 0; y < h / 4; ++y)
      for (int x = 0; x < w / 4; ++x) ASSERT_EQ(s->pixels[size_t(y * (w / 4) + x)], m.At(x, y));
    s->Resize(w, h, 0x123456);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(s->pixels[size_t(y * w + x)], x < w / 4 && y < h / 4 ? m.At(x, y) : 0x123456u);
  }
}

}  // namespace
