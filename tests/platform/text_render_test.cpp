// TextOutA's pixels and the text caches, drawn into surfaces the test owns.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "gdi/gdi.h"

using platform::Surface;
using platform::SurfacePtr;

namespace {

constexpr uint32_t kGreen = 0x00FF00;

struct Canvas {
  SurfacePtr surface;
  HDC dc;
  Canvas(int w, int h, uint32_t fill = 0xFFFFFF)
      : surface(std::make_shared<Surface>(w, h, fill)),
        dc(platform::CreateSurfaceDC(surface, nullptr)) {}
  ~Canvas() { platform::DestroySurfaceDC(dc); }
  uint32_t At(int x, int y) const { return surface->pixels[size_t(y) * surface->width + x]; }
  void Fill(uint32_t p) { std::fill(surface->pixels.begin(), surface->pixels.end(), p); }
  // Bounding box of the pixels that differ from `background`: {l, t, r, b}, r and b
  // exclusive; all -1 when nothing differs.
  RECT Ink(uint32_t background) const {
    RECT r = {-1, -1, -1, -1};
    for (int y = 0; y < surface->height; y++)
      for (int x = 0; x < surface->width; x++)
        if (At(x, y) != background) {
          if (r.left < 0 || x < r.left) r.left = x;
          if (r.top < 0) r.top = y;
          if (x + 1 > r.right) r.right = x + 1;
          r.bottom = y + 1;
        }
    return r;
  }
  int Count(uint32_t p) const {
    return int(std::count(surface->pixels.begin(), surface->pixels.end(), p));
  }
};

HFONT RuntimeFont(int ptsize, int weight = FW_NORMAL) {
  return CreateFontA(-ptsize, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     "KX507-font");
}

// Selects a font for the life of the object and deletes it afterwards, as the runtime does.
struct Selected {
  HDC dc;
  HFONT font;
  HGDIOBJ old;
  Selected(HDC d, HFONT f) : dc(d), font(f), old(SelectObject(d, f)) {}
  ~Selected() {
    SelectObject(dc, old);
    DeleteObject(font);
  }
};

SIZE Extent(HDC dc, const std::string& s) {
  SIZE sz = {-1, -1};
  EXPECT_TRUE(GetTextExtentPoint32A(dc, s.data(), int(s.size()), &sz));
  return sz;
}

std::string Text(RECT r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
         " " + std::to_string(r.bottom);
}

// Lines "<kind> <words...>" of the Wine capture whose first words equal `prefix`.
std::string CaptureRest(const std::string& prefix) {
  std::ifstream in(std::string(KX_TEST_DATA_DIR) + "/wine/text_probe.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(prefix + " ", 0) == 0) return line.substr(prefix.size() + 1);
  }
  ADD_FAILURE() << "no capture line " << prefix;
  return "";
}

TEST(TextRender, TransparentDrawsOnlyGlyphs) {
  Canvas c(200, 60, 0x336699);
  Selected font(c.dc, RuntimeFont(12));
  SetBkMode(c.dc, TRANSPARENT);
  SetTextColor(c.dc, RGB(0, 0, 0));
  ASSERT_TRUE(TextOutA(c.dc, 10, 10, "Hello, world", 12));
  SIZE sz = Extent(c.dc, "Hello, world");
  RECT ink = c.Ink(0x336699);
  // Glyphs stay inside the cell (a pixel of side bearing either way at most).
  EXPECT_GE(ink.left, 10 - 1);
  EXPECT_LE(ink.right, 10 + sz.cx + 1);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.bottom, 10 + sz.cy);
  // Between and around the letters the background is still there.
  int in_box_background = 0;
  for (int y = 10; y < 10 + sz.cy; y++)
    for (int x = 10; x < 10 + sz.cx; x++) in_box_background += c.At(x, y) == 0x336699;
  EXPECT_GT(in_box_background, sz.cx * sz.cy / 2);
  EXPECT_EQ(c.At(10, 10), 0x336699u);
}

// The log's fixed font has glyphs fully on or off: over a background of a different
// colour at every pixel, each pixel is the text colour or the background it covered,
// never a blend; drawn opaque it is the same glyphs over the filled cell.
TEST(TextRender, UnsmoothedGlyphsKeepEveryUncoveredPixel) {
  Canvas c(320, 40);
  auto background = [](int x, int y) { return uint32_t(x * 0x010203 + y * 0x070000) & 0xFFFFFF; };
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 320; x++) c.surface->pixels[size_t(y) * 320 + size_t(x)] = background(x, y);
  SelectObject(c.dc, GetStockObject(ANSI_FIXED_FONT));
  SetBkMode(c.dc, TRANSPARENT);
  SetTextColor(c.dc, RGB(0x12, 0x34, 0x56));
  const char text[] = "Red circle at (123,45), radius 25";
  ASSERT_TRUE(TextOutA(c.dc, 5, 10, text, int(sizeof text - 1)));
  int ink = 0, kept = 0;
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 320; x++) {
      const uint32_t p = c.At(x, y);
      if (p == 0x123456 && background(x, y) != 0x123456) {
        ++ink;
      } else {
        ASSERT_EQ(p, background(x, y)) << x << "," << y;
        ++kept;
      }
    }
  EXPECT_GT(ink, 100);
  EXPECT_GT(kept, 320 * 40 - 2000);
  Canvas opaque(320, 40, 0x000000);
  SelectObject(opaque.dc, GetStockObject(ANSI_FIXED_FONT));
  SetBkMode(opaque.dc, OPAQUE);
  SetBkColor(opaque.dc, RGB(0xFF, 0xFF, 0xFF));
  SetTextColor(opaque.dc, RGB(0x12, 0x34, 0x56));
  ASSERT_TRUE(TextOutA(opaque.dc, 5, 10, text, int(sizeof text - 1)));
  SIZE sz = Extent(opaque.dc, text);
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 320; x++) {
      const bool cell = x >= 5 && x < 5 + sz.cx && y >= 10 && y < 10 + sz.cy;
      const bool inked = c.At(x, y) == 0x123456;
      ASSERT_EQ(opaque.At(x, y), inked ? 0x123456u : cell ? 0xFFFFFFu : 0u) << x << "," << y;
    }
}

TEST(TextRender, OpaqueFillsTheCellBoxExactly) {
  Canvas c(200, 120, kGreen);
  Selected font(c.dc, RuntimeFont(12));
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, RGB(255, 0, 0));
  SetTextColor(c.dc, RGB(0, 0, 255));
  ASSERT_TRUE(TextOutA(c.dc, 20, 20, "Hi", 2));
  // Wine: the box of "Hi" at (20, 20) and how many pixels stay pure background / text.
  EXPECT_EQ(Text(c.Ink(kGreen)), CaptureRest("X opaqueHi"));
  for (int y = 20; y < 34; y++)
    for (int x = 20; x < 32; x++) ASSERT_NE(c.At(x, y), kGreen) << x << "," << y;
  EXPECT_GT(c.Count(0xFF0000), 12 * 14 / 2);
  EXPECT_GT(c.Count(0x0000FF), 0);
  // A space has no glyph but still gets its box.
  c.Fill(kGreen);
  ASSERT_TRUE(TextOutA(c.dc, 20, 20, " ", 1));
  EXPECT_EQ(Text(c.Ink(kGreen)), CaptureRest("X opaqueSpace"));
  EXPECT_EQ(c.Count(0xFF0000), 3 * 14);
}

// Fully covered pixels take the text colour exactly; partly covered ones lie between
// it and the background.
TEST(TextRender, SolidStemsTakeTheTextColour) {
  for (COLORREF colour : {RGB(0, 0, 0), RGB(200, 30, 60)}) {
    Canvas c(100, 40);
    Selected font(c.dc, RuntimeFont(20));
    SetBkMode(c.dc, TRANSPARENT);
    SetTextColor(c.dc, colour);
    TextOutA(c.dc, 5, 5, "lH", 2);
    uint32_t want = platform::ColorToPixel(colour);
    EXPECT_GT(c.Count(want), 10) << std::hex << want;
    for (uint32_t p : c.surface->pixels) {
      if (p == 0xFFFFFF) continue;
      for (int shift : {0, 8, 16}) {
        int v = (p >> shift) & 0xFF, lo = (want >> shift) & 0xFF;
        EXPECT_GE(v, lo) << std::hex << p;  // never past the text colour
      }
    }
  }
}

// Where Wine puts the ink of single characters drawn at (20, 20), TA_TOP|TA_LEFT: rows
// exactly, columns within a pixel (hinting may differ by a column).
TEST(TextRender, InkBoxesMatchWine) {
  struct Case {
    const char* label;
    int height;
  } cases[] = {{"KX507", -8}, {"KX507", -12}, {"KX507", -20}, {"KX507", 0}, {"ANSI_FIXED_FONT", 0}};
  for (const Case& k : cases) {
    for (int ch :
         {int('H'), int('g'), int('x'), int('j'), 0xE9, 0xC9, 0x01, 0x81, int('|'), int('_')}) {
      Canvas c(200, 120);
      HGDIOBJ old;
      HFONT created = nullptr;
      if (std::string(k.label) == "KX507") {
        created = CreateFontA(k.height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, "KX507-font");
        old = SelectObject(c.dc, created);
      } else {
        old = SelectObject(c.dc, GetStockObject(ANSI_FIXED_FONT));
      }
      SetBkMode(c.dc, TRANSPARENT);
      char s[1] = {char(ch)};
      TextOutA(c.dc, 20, 20, s, 1);
      std::string key = std::string("I ") + k.label + " " + std::to_string(k.height) + " " +
                        (created ? "400 " : "0 ") + std::to_string(ch);
      std::istringstream want(CaptureRest(key));
      RECT w;
      want >> w.left >> w.top >> w.right >> w.bottom;
      RECT got = c.Ink(0xFFFFFF);
      SCOPED_TRACE(key + " ours " + Text(got));
      EXPECT_EQ(got.top, w.top);
      EXPECT_EQ(got.bottom, w.bottom);
      EXPECT_NEAR(got.left, w.left, 1);
      EXPECT_NEAR(got.right, w.right, 1);
      SelectObject(c.dc, old);
      if (created) DeleteObject(created);
    }
  }
}

TEST(TextRender, Windows1252BytesDrawTheirGlyphs) {
  Canvas c(100, 40);
  Selected font(c.dc, RuntimeFont(20));
  SetBkMode(c.dc, TRANSPARENT);
  TextOutA(c.dc, 10, 5, "e", 1);
  RECT e = c.Ink(0xFFFFFF);
  c.Fill(0xFFFFFF);
  TextOutA(c.dc, 10, 5, "\xE9", 1);  // e acute
  RECT e_acute = c.Ink(0xFFFFFF);
  ASSERT_GE(e_acute.top, 0);
  EXPECT_EQ(e_acute.bottom, e.bottom);
  EXPECT_LT(e_acute.top, e.top - 2);  // the accent above the e
  c.Fill(0xFFFFFF);
  TextOutA(c.dc, 10, 5, "\x80", 1);  // euro sign
  EXPECT_GT(c.Count(0), 0);
}

TEST(TextRender, CountsZeroAndNegative) {
  Canvas c(100, 40, kGreen);
  Selected font(c.dc, RuntimeFont(12));
  SetBkMode(c.dc, OPAQUE);
  EXPECT_TRUE(TextOutA(c.dc, 10, 10, "abc", 0));
  EXPECT_FALSE(TextOutA(c.dc, 10, 10, "abc", -1));
  EXPECT_FALSE(TextOutA(c.dc, 10, 10, nullptr, 3));
  EXPECT_EQ(c.Count(kGreen), 100 * 40);
  SIZE sz = {77, 77};
  EXPECT_TRUE(GetTextExtentPoint32A(c.dc, "abc", 0, &sz));
  EXPECT_EQ(sz.cx, 0);
  EXPECT_EQ(sz.cy, 0);
  sz = {77, 77};
  EXPECT_FALSE(GetTextExtentPointA(c.dc, "abc", -1, &sz));
  EXPECT_EQ(sz.cx, 77);
  EXPECT_FALSE(GetTextExtentPointA(c.dc, "abc", 1, nullptr));
  EXPECT_FALSE(TextOutA(nullptr, 0, 0, "a", 1));
}

TEST(TextRender, AnyCoordinatesAreClipped) {
  Canvas c(60, 30, kGreen);
  Selected font(c.dc, RuntimeFont(12));
  SetBkMode(c.dc, OPAQUE);
  SetTextColor(c.dc, RGB(0, 0, 0));
  const std::string long_text(1000, 'W');
  for (UINT align :
       {UINT(TA_TOP | TA_LEFT), UINT(TA_BASELINE | TA_RIGHT), UINT(TA_BOTTOM | TA_CENTER)}) {
    SetTextAlign(c.dc, align);
    for (int x : {INT_MIN, INT_MIN + 1, -1000000, 1000000, INT_MAX - 1, INT_MAX})
      for (int y : {INT_MIN, 0, INT_MAX})
        EXPECT_TRUE(TextOutA(c.dc, x, y, long_text.data(), int(long_text.size())));
  }
  EXPECT_EQ(c.Count(kGreen), 60 * 30);
  // Partly off every edge: what is inside is drawn, in the box that would be drawn.
  SetTextAlign(c.dc, TA_TOP | TA_LEFT);
  EXPECT_TRUE(TextOutA(c.dc, -5, -5, "WWWWWWWWWW", 10));
  EXPECT_EQ(Text(c.Ink(kGreen)), "0 0 60 9");
  c.Fill(kGreen);
  EXPECT_TRUE(TextOutA(c.dc, 50, 25, "WW", 2));
  EXPECT_EQ(Text(c.Ink(kGreen)), "50 25 60 30");
}

// The reference point for each alignment, against the ink boxes Wine drew for "HH" at
// (100, 60).
TEST(TextRender, AlignmentsMatchWine) {
  struct {
    const char* name;
    UINT align;
  } aligns[] = {{"top_left", TA_TOP | TA_LEFT},       {"baseline_left", TA_BASELINE | TA_LEFT},
                {"bottom_left", TA_BOTTOM | TA_LEFT}, {"top_right", TA_TOP | TA_RIGHT},
                {"top_center", TA_TOP | TA_CENTER},   {"baseline_center", TA_BASELINE | TA_CENTER}};
  Canvas c(200, 120);
  Selected font(c.dc, RuntimeFont(12));
  SetBkMode(c.dc, TRANSPARENT);
  for (auto& a : aligns) {
    c.Fill(0xFFFFFF);
    SetTextAlign(c.dc, a.align);
    TextOutA(c.dc, 100, 60, "HH", 2);
    EXPECT_EQ(Text(c.Ink(0xFFFFFF)), CaptureRest(std::string("X align_") + a.name)) << a.name;
  }
}

// TA_UPDATECP: drawn from the current position, which then moves past the text.
TEST(TextRender, UpdateCurrentPositionMatchesWine) {
  Canvas c(200, 120);
  Selected font(c.dc, RuntimeFont(12));
  SetBkMode(c.dc, TRANSPARENT);
  for (UINT horizontal : {UINT(TA_LEFT), UINT(TA_RIGHT), UINT(TA_CENTER)}) {
    c.Fill(0xFFFFFF);
    SetTextAlign(c.dc, TA_UPDATECP | TA_TOP | horizontal);
    MoveToEx(c.dc, 100, 30, nullptr);
    ASSERT_TRUE(TextOutA(c.dc, 5, 5, "HH", 2));
    POINT after;
    MoveToEx(c.dc, 0, 0, &after);
    std::string h = std::to_string(horizontal);
    EXPECT_EQ(Text(c.Ink(0xFFFFFF)), CaptureRest("X updatecp_" + h)) << h;
    EXPECT_EQ(std::to_string(after.x) + " " + std::to_string(after.y),
              CaptureRest("X updatecp_pos_" + h))
        << h;
  }
}

TEST(TextRender, ExtentsGrowWithLengthAndHeight) {
  Canvas c(10, 10);
  std::string s;
  LONG last = 0;
  {
    Selected font(c.dc, RuntimeFont(12));
    for (int n = 1; n <= 20; n++) {
      s += "ab";
      SIZE sz = Extent(c.dc, s);
      EXPECT_GT(sz.cx, last);
      EXPECT_EQ(sz.cy, 14);
      last = sz.cx;
    }
  }
  SIZE prev = {0, 0};
  for (int pt = 4; pt <= 80; pt += 4) {
    Selected font(c.dc, RuntimeFont(pt));
    SIZE sz = Extent(c.dc, "Click a button");
    EXPECT_GT(sz.cx, prev.cx) << pt;
    EXPECT_GT(sz.cy, prev.cy) << pt;
    EXPECT_GE(sz.cy, pt) << pt;
    prev = sz;
  }
}

// A fresh DC draws with the system font; the log window's font is the fixed one.
TEST(TextRender, StockFontsThroughADC) {
  Canvas c(10, 10);
  TEXTMETRICA tm{};
  ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
  HGDIOBJ old = SelectObject(c.dc, GetStockObject(ANSI_FIXED_FONT));
  ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
  EXPECT_EQ(tm.tmHeight, 12);
  EXPECT_EQ(tm.tmAscent, 9);
  EXPECT_EQ(tm.tmDescent, 3);
  EXPECT_EQ(tm.tmInternalLeading, 1);
  EXPECT_EQ(tm.tmExternalLeading, 0);
  EXPECT_EQ(tm.tmAveCharWidth, 7);
  EXPECT_EQ(Extent(c.dc, "iiii").cx, Extent(c.dc, "WWWW").cx);
  SelectObject(c.dc, old);
  EXPECT_FALSE(GetTextMetricsA(c.dc, nullptr));
}

// After the first use of a face and size, a font created, used and deleted per call (as the
// runtime does) costs no fontconfig query, no face, no size and no glyph rendering.
TEST(TextRender, FontsAndGlyphsAreCached) {
  Canvas c(300, 40);
  SetBkMode(c.dc, TRANSPARENT);
  const char* text = "Red bugs: 12, green bugs: 7 (\xE9t\xE9)";
  {
    Selected font(c.dc, RuntimeFont(12));
    TextOutA(c.dc, 0, 20, text, int(strlen(text)));
  }
  platform::gdi::TextCacheStats first = platform::gdi::GetTextCacheStats();
  EXPECT_GE(first.face_opens, 1u);
  EXPECT_GE(first.glyph_renders, 10u);
  for (int i = 0; i < 50; i++) {
    Selected font(c.dc, RuntimeFont(12));
    SIZE sz;
    GetTextExtentPointA(c.dc, text, int(strlen(text)), &sz);
    TextOutA(c.dc, i, 20, text, int(strlen(text)));
  }
  platform::gdi::TextCacheStats after = platform::gdi::GetTextCacheStats();
  EXPECT_EQ(after.font_lookups, first.font_lookups);
  EXPECT_EQ(after.face_opens, first.face_opens);
  EXPECT_EQ(after.size_creations, first.size_creations);
  EXPECT_EQ(after.glyph_renders, first.glyph_renders);
  // Another size of the same face: a new size and its glyphs, but no new face or query.
  {
    Selected font(c.dc, RuntimeFont(57));  // a size no other test uses
    TextOutA(c.dc, 0, 20, text, int(strlen(text)));
  }
  platform::gdi::TextCacheStats bigger = platform::gdi::GetTextCacheStats();
  EXPECT_EQ(bigger.font_lookups, first.font_lookups);
  EXPECT_EQ(bigger.face_opens, first.face_opens);
  EXPECT_EQ(bigger.size_creations, first.size_creations + 1);
  EXPECT_GT(bigger.glyph_renders, first.glyph_renders);
}

}  // namespace
