// A window that scrolls its whole client area and draws into what the scroll uncovered
// keeps those steps until its pixels are looked at: whatever looks must find what making
// every step at once makes, exactly.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gdi/gdi.h"

namespace {

using platform::Surface;
using platform::gdi::GetWindowLogStats;
using platform::gdi::WindowLogStats;

// A window's surface and, beside it, a bitmap of the same size in a memory DC, which
// makes every call at once: what the window must hold whenever it is looked at.
struct Pair {
  Pair(int w, int h) : width(w), height(h), window(std::make_shared<Surface>(w, h)) {}
  int width, height;
  std::shared_ptr<Surface> window;
  HDC wdc = platform::CreateSurfaceDC(window, nullptr);
  HDC mdc = CreateCompatibleDC(wdc);
  HBITMAP bitmap = CreateCompatibleBitmap(wdc, width, height);
  HGDIOBJ old_bitmap = SelectObject(mdc, bitmap);
  ~Pair() {
    SelectObject(mdc, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(mdc);
    platform::DestroySurfaceDC(wdc);
  }
  const Surface& Reference() const { return *platform::gdi::LookupDC(mdc)->surface; }
  // The first pixel where the window differs from the reference, or "".
  std::string Mismatch() const {
    const Surface& r = Reference();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (window->pixels[size_t(y) * size_t(width) + size_t(x)] !=
            r.pixels[size_t(y) * size_t(width) + size_t(x)])
          return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
  }
};

// One line as a log window adds it: the window scrolled up a line, the uncovered band
// cleared with a brush and no pen (which stops a pixel short of the right edge), the
// text at its left.
void AddLine(HDC dc, int width, int height, const std::string& text) {
  HGDIOBJ old_font = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  const int line = tm.tmHeight + tm.tmExternalLeading;
  ScrollDC(dc, 0, -line, nullptr, nullptr, nullptr, nullptr);
  HBRUSH brush = CreateSolidBrush(GetBkColor(dc));
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, 0, height - line, width, height + 1);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  DeleteObject(brush);
  TextOutA(dc, 5, height - line, text.data(), int(text.size()));
  SelectObject(dc, old_font);
}

// A log's lines, many between two looks: most have left the window by the look, and
// are never drawn; the window still holds exactly what was made at once.
TEST(GdiWindowLog, LinesScrolledAwayBeforeALookAreNeverDrawn) {
  Pair pair(300, 100);
  RECT all = {0, 0, 300, 100};
  for (HDC dc : {pair.wdc, pair.mdc})
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  const WindowLogStats before = GetWindowLogStats();
  for (int look = 0; look < 5; ++look) {
    for (int i = 0; i < 60; ++i) {
      const std::string text = "DrawCircle(" + std::to_string(look * 60 + i) + ", 40, 12)";
      for (HDC dc : {pair.wdc, pair.mdc}) AddLine(dc, 300, 100, text);
    }
    ASSERT_EQ(pair.Mismatch(), "") << "look " << look;
  }
  const WindowLogStats after = GetWindowLogStats();
  EXPECT_EQ(after.scrolls - before.scrolls, 300u);
  EXPECT_EQ(after.calls - before.calls, 600u);
  // About a window's height of lines (eight) is drawn at each look, and only their
  // scrolls are made: the pixel each line's background leaves on the right is followed
  // through the others.
  EXPECT_LT(after.drawn - before.drawn, 5u * 2 * 10);
  EXPECT_LT(after.made - before.made, 5u * 10);
}

// Columns at the sides that no line reaches (the pixel its background stops short of on
// the right, a margin on the left) move with the scrolls alone: each row ends up with the
// sides of the row it came from, or keeps its own where a scroll uncovered it. Every row
// starts with sides of its own here, so any row taking the wrong ones shows. Scrolls of
// either direction and size come between the lines.
TEST(GdiWindowLog, SidesNoLineReachesMoveWithTheScrolls) {
  const int w = 160, h = 90;
  Pair pair(w, h);
  for (HDC dc : {pair.wdc, pair.mdc})
    for (int y = 0; y < h; ++y)
      for (int x : {0, 1, 2, w - 1}) SetPixel(dc, x, y, RGB(y * 2, x, 255 - y));
  std::mt19937 rng(7);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int look = 0; look < 6; ++look) {
    for (int i = 0; i < 40; ++i) {
      const int what = pick(0, 9);
      const int dy = what == 0 ? pick(-h + 1, h - 1) : what == 1 ? pick(1, 15) : 0;
      for (HDC dc : {pair.wdc, pair.mdc}) {
        if (dy != 0) {
          ScrollDC(dc, 0, dy, nullptr, nullptr, nullptr, nullptr);
          continue;
        }
        // A line drawn from column 3, so three columns on the left stay as they were.
        HBRUSH brush = CreateSolidBrush(RGB(look * 40, 200, i * 5));
        HGDIOBJ old_brush = SelectObject(dc, brush);
        HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
        ScrollDC(dc, 0, -13, nullptr, nullptr, nullptr, nullptr);
        Rectangle(dc, 3, h - 13, w, h + 1);
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        DeleteObject(brush);
        const std::string text = "line " + std::to_string(look * 40 + i);
        TextOutA(dc, 5, h - 13, text.data(), int(text.size()));
      }
    }
    ASSERT_EQ(pair.Mismatch(), "") << "look " << look;
    // Now and then a line reaches the right edge: no side there until the next look.
    if (look % 2 == 1)
      for (HDC dc : {pair.wdc, pair.mdc}) AddLine(dc, w, h, std::string(40, 'W'));
  }
  EXPECT_EQ(pair.Mismatch(), "");
}

// Random scrolls of the whole window by any amount either way, scrolls of a part or
// sideways (made at once), shapes, lines, fills and text of every kind, through more than
// one DC of the window, with looks at single pixels and at the whole window now and then.
TEST(GdiWindowLog, WindowLooksAsIfEveryStepWasMadeAtOnce) {
  const WindowLogStats before = GetWindowLogStats();
  for (unsigned seed = 1; seed <= 10; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int w = 120 + pick(0, 60), h = 80 + pick(0, 50);
    Pair pair(w, h);
    HDC second = platform::CreateSurfaceDC(pair.window, nullptr);
    RECT all = {0, 0, w, h};
    for (HDC dc : {pair.wdc, pair.mdc})
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (int step = 0; step < 1500; ++step) {
      const int what = pick(0, 99);
      const COLORREF colour = RGB(pick(0, 3) * 85, pick(0, 3) * 85, pick(0, 3) * 85);
      if (what < 25) {
        int dy = pick(0, 3) == 0 ? pick(-h - 3, h + 3) : pick(-20, 20);
        for (HDC dc : {pair.wdc, pair.mdc}) ScrollDC(dc, 0, dy, nullptr, nullptr, nullptr, nullptr);
      } else if (what < 28) {
        // A part of the window, or sideways: not kept, made at once after what was kept.
        RECT part = {pick(0, w / 2), pick(0, h / 2), w - pick(0, w / 2), h - pick(0, h / 2)};
        const int dx = pick(-5, 5), dy = pick(-9, 9);
        const bool partly = pick(0, 1) == 0;
        for (HDC dc : {pair.wdc, pair.mdc})
          ScrollDC(dc, partly ? 0 : dx, dy, partly ? &part : nullptr, nullptr, nullptr, nullptr);
      } else if (what < 45) {
        // A band across the window, with or without a pen.
        const int t = pick(-5, h), b = t + pick(0, 30), l = pick(0, 2) - 1, r = w + pick(0, 2);
        HBRUSH brush = CreateSolidBrush(colour);
        HPEN pen = pick(0, 1) ? static_cast<HPEN>(GetStockObject(NULL_PEN))
                              : CreatePen(PS_SOLID, pick(0, 3), colour ^ 0x808080);
        for (HDC dc : {pair.wdc, pair.mdc}) {
          HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
          Rectangle(dc, l, t, r, b);
          SelectObject(dc, ob);
          SelectObject(dc, op);
        }
        DeleteObject(brush);
        DeleteObject(pen);
      } else if (what < 70) {
        const bool smooth = pick(0, 2) == 0, opaque = pick(0, 1) == 0, italic = pick(0, 3) == 0;
        HFONT font = smooth ? CreateFontA(pick(14, 30), 0, 0, 0, FW_NORMAL, italic, 0, 0,
                                          ANSI_CHARSET, 0, 0, 0, 0, "Arial")
                            : static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
        const std::string text = pick(0, 9) == 0 ? std::string(size_t(pick(1100, 1300)), 'w')
                                                 : "Bug " + std::to_string(pick(0, 999)) + " jWf/";
        const int x = pick(-20, w), y = pick(-20, h);
        for (HDC dc : {pick(0, 1) ? pair.wdc : second, pair.mdc}) {
          HGDIOBJ of = SelectObject(dc, font);
          SetTextColor(dc, colour);
          SetBkColor(dc, colour ^ 0xFFFFFF);
          SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
          TextOutA(dc, x, y, text.data(), int(text.size()));
          SelectObject(dc, of);
        }
        if (smooth) DeleteObject(font);
      } else if (what < 85) {
        const int x0 = pick(-20, w + 10), y0 = pick(-20, h + 10);
        const int x1 = x0 + pick(-40, 60), y1 = y0 + pick(-40, 60);
        const int kind = pick(0, 3);
        HBRUSH brush = CreateSolidBrush(colour);
        HPEN pen = pick(0, 3) == 0 ? static_cast<HPEN>(GetStockObject(NULL_PEN))
                                   : CreatePen(PS_SOLID, pick(0, 5), colour ^ 0x404040);
        for (HDC dc : {pick(0, 1) ? pair.wdc : second, pair.mdc}) {
          HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
          if (kind == 0) Ellipse(dc, x0, y0, x1, y1);
          if (kind == 1) {
            MoveToEx(dc, x0, y0, nullptr);
            LineTo(dc, x1, y1);
          }
          if (kind == 2) {
            RECT r = {x0, y0, x1, y1};
            FillRect(dc, &r, brush);
          }
          if (kind == 3) Rectangle(dc, x0, y0, x1, y1);
          SelectObject(dc, ob);
          SelectObject(dc, op);
        }
        DeleteObject(brush);
        DeleteObject(pen);
      } else if (what < 88) {
        const int x = pick(0, w - 1), y = pick(0, h - 1);
        ASSERT_EQ(GetPixel(pair.wdc, x, y), GetPixel(pair.mdc, x, y)) << "step " << step;
      } else if (what < 90) {
        const int x = pick(0, w - 1), y = pick(0, h - 1);
        for (HDC dc : {pair.wdc, pair.mdc}) SetPixel(dc, x, y, colour);
      } else if (what < 92) {
        ASSERT_EQ(pair.Mismatch(), "") << "step " << step;
      }
    }
    ASSERT_EQ(pair.Mismatch(), "");
    platform::DestroySurfaceDC(second);
  }
  const WindowLogStats after = GetWindowLogStats();
  // The steps were kept, and many calls were never drawn, or this proves nothing.
  EXPECT_GT(after.scrolls - before.scrolls, 2000u);
  const uint64_t kept = after.calls - before.calls, drawn = after.drawn - before.drawn;
  EXPECT_GT(kept, 3000u);
  EXPECT_GT(kept - drawn, kept / 10);
}

// A window kept behind a scroll that goes away, or is resized, before anything looks:
// nothing is drawn on what is gone, and the resized window keeps what it showed.
TEST(GdiWindowLog, WindowGoneOrResizedWhileKeeping) {
  {
    Pair pair(200, 90);
    for (int i = 0; i < 30; ++i) AddLine(pair.wdc, 200, 90, "line " + std::to_string(i));
    ASSERT_TRUE(pair.window->pixels.Owing());
  }  // the surface goes with its DC, the drawing kept for it unmade
  Pair pair(200, 90);
  for (int i = 0; i < 30; ++i)
    for (HDC dc : {pair.wdc, pair.mdc}) AddLine(dc, 200, 90, "line " + std::to_string(i));
  ASSERT_TRUE(pair.window->pixels.Owing());
  pair.window->Resize(150, 120);
  ASSERT_FALSE(pair.window->pixels.Owing());
  const Surface& r = pair.Reference();
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 150; ++x)
      ASSERT_EQ(pair.window->pixels[size_t(y) * 150 + size_t(x)],
                r.pixels[size_t(y) * 200 + size_t(x)])
          << x << ", " << y;
}

// The window system erasing part of a window that keeps its drawing (its background,
// painted before WM_PAINT) says first that it will paint there, which must not settle
// anything the kept scrolls have yet to move: what was kept is drawn first, and the
// erase comes after it, where it was asked for.
TEST(GdiWindowLog, AnEraseByTheWindowSystemComesAfterWhatWasKept) {
  Pair pair(120, 80);
  for (int y = 0; y < 80; y += 4) {
    HBRUSH brush = CreateSolidBrush(RGB(y * 3, 255 - y * 3, 90));
    RECT stripe = {0, y, 120, y + 4};
    for (HDC dc : {pair.wdc, pair.mdc}) FillRect(dc, &stripe, brush);
    DeleteObject(brush);
  }
  for (HDC dc : {pair.wdc, pair.mdc}) AddLine(dc, 120, 80, "kept");
  ASSERT_TRUE(pair.window->pixels.Owing());
  pair.window->WillFill(10, 60, 70, 75);
  EXPECT_FALSE(pair.window->pixels.Owing()) << "what was kept was not drawn first";
  const RECT band = {10, 60, 70, 75};
  platform::FillSurfaceRect(*pair.window, band, RGB(200, 0, 0));
  platform::FillSurfaceRect(*platform::gdi::LookupDC(pair.mdc)->surface, band, RGB(200, 0, 0));
  EXPECT_EQ(pair.Mismatch(), "");
}

}  // namespace
