// GDI behaviour any Win32 implementation shows: DC defaults, object lifetime, the key
// pixels of rectangles, ellipses and lines, and BitBlt clipping. Win32 API only.
#include <gtest/gtest.h>
#include <windows.h>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

// A memory DC holding a colour bitmap compatible with the screen, cleared to white.
struct Canvas {
  HDC screen = nullptr, dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old_bitmap = nullptr;
  int w, h;
  Canvas(int width, int height) : w(width), h(height) {
    screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, w, h);
    old_bitmap = SelectObject(dc, bitmap);
    Clear();
  }
  ~Canvas() {
    SelectObject(dc, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
  void Clear() {
    RECT r = {0, 0, w, h};
    FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
  }
  // Draws with a pen (width, or -1 for NULL_PEN) in red and a solid blue or null brush.
  template <class F>
  void With(int pen_width, bool solid, F draw) {
    HPEN pen = CreatePen(pen_width < 0 ? PS_NULL : PS_SOLID, pen_width < 0 ? 0 : pen_width, kRed);
    HBRUSH brush = solid ? CreateSolidBrush(kBlue) : (HBRUSH)GetStockObject(NULL_BRUSH);
    HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, brush);
    draw();
    SelectObject(dc, op);
    SelectObject(dc, ob);
    DeleteObject(pen);
    if (solid) DeleteObject(brush);
  }
  // The pixels of a box as text rows: . white, P red, B blue, ? other.
  std::string Rows(int l, int t, int r, int b) const {
    std::string s;
    for (int y = t; y < b; ++y) {
      for (int x = l; x < r; ++x) {
        COLORREF c = GetPixel(dc, x, y);
        s += c == kWhite ? '.' : c == kRed ? 'P' : c == kBlue ? 'B' : '?';
      }
      s += '\n';
    }
    return s;
  }
};

TEST(GdiApi, MemoryDCsStartWithTheDefaults) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetBkColor(dc), kWhite);
  EXPECT_EQ(GetTextColor(dc), kBlack);
  EXPECT_EQ(GetTextAlign(dc), UINT(TA_TOP | TA_LEFT));
  POINT pt = {9, 9};
  EXPECT_TRUE(GetCurrentPositionEx(dc, &pt));
  EXPECT_EQ(pt.x, 0);
  EXPECT_EQ(pt.y, 0);
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HBRUSH brush = CreateSolidBrush(kBlue);
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  HFONT font =
      CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "KX507-font");
  EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
  // A fresh memory DC has a 1x1 monochrome bitmap: black, and nothing beyond it.
  EXPECT_EQ(GetPixel(dc, 0, 0), kBlack);
  EXPECT_EQ(GetPixel(dc, 1, 0), CLR_INVALID);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteObject(font));
  ReleaseDC(nullptr, screen);
}

TEST(GdiApi, DeletingObjects) {
  Canvas c(4, 4);
  // Stock objects survive deletion.
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), DWORD(OBJ_PEN));
  // A selected pen is deleted when it is no longer selected, and draws until then.
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ old = SelectObject(c.dc, pen);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN));
  MoveToEx(c.dc, 0, 1, nullptr);
  LineTo(c.dc, 3, 1);
  EXPECT_EQ(GetPixel(c.dc, 1, 1), kRed);
  EXPECT_EQ(SelectObject(c.dc, old), pen);
  EXPECT_EQ(GetObjectType(pen), 0u);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(nullptr));
}

TEST(GdiApi, RectangleCoversTheBoxWithoutItsRightAndBottomEdges) {
  Canvas c(12, 10);
  // Default pen and a white brush, as a window is cleared: border black, inside white.
  EXPECT_TRUE(Rectangle(c.dc, 0, 0, 12, 10));
  EXPECT_EQ(GetPixel(c.dc, 0, 0), kBlack);
  EXPECT_EQ(GetPixel(c.dc, 11, 9), kBlack);
  EXPECT_EQ(GetPixel(c.dc, 11, 0), kBlack);
  EXPECT_EQ(GetPixel(c.dc, 1, 1), kWhite);
  EXPECT_EQ(GetPixel(c.dc, 10, 8), kWhite);
  c.Clear();
  c.With(1, true, [&] { Rectangle(c.dc, 2, 2, 8, 6); });
  EXPECT_EQ(c.Rows(1, 1, 9, 7),
            "........\n"
            ".PPPPPP.\n"
            ".PBBBBP.\n"
            ".PBBBBP.\n"
            ".PPPPPP.\n"
            "........\n");
  // Corners given the other way round draw the same.
  c.Clear();
  c.With(1, true, [&] { Rectangle(c.dc, 8, 6, 2, 2); });
  EXPECT_EQ(c.Rows(1, 1, 9, 7),
            "........\n"
            ".PPPPPP.\n"
            ".PBBBBP.\n"
            ".PBBBBP.\n"
            ".PPPPPP.\n"
            "........\n");
  // Without a pen the fill is one pixel smaller.
  c.Clear();
  c.With(-1, true, [&] { Rectangle(c.dc, 2, 2, 8, 6); });
  EXPECT_EQ(c.Rows(1, 1, 9, 7),
            "........\n"
            ".BBBBB..\n"
            ".BBBBB..\n"
            ".BBBBB..\n"
            "........\n"
            "........\n");
  // A width-2 pen is centred on the outline with its extra pixel up and left.
  c.Clear();
  c.With(2, true, [&] { Rectangle(c.dc, 2, 2, 8, 6); });
  EXPECT_EQ(c.Rows(0, 0, 9, 7),
            ".........\n"
            ".PPPPPPP.\n"
            ".PPPPPPP.\n"
            ".PPBBBPP.\n"
            ".PPPPPPP.\n"
            ".PPPPPPP.\n"
            ".........\n");
  // A 1x1 box with a thin pen draws nothing.
  c.Clear();
  c.With(1, true, [&] { Rectangle(c.dc, 4, 4, 5, 5); });
  EXPECT_EQ(GetPixel(c.dc, 4, 4), kWhite);
}

TEST(GdiApi, EllipseKeyPixels) {
  Canvas c(24, 24);
  // A circle of radius 5 as the runtime asks for it: 11 pixels across, filled.
  c.With(1, true, [&] { Ellipse(c.dc, 5, 5, 16, 16); });
  EXPECT_EQ(GetPixel(c.dc, 10, 5), kRed);   // top
  EXPECT_EQ(GetPixel(c.dc, 10, 15), kRed);  // bottom
  EXPECT_EQ(GetPixel(c.dc, 5, 10), kRed);   // left
  EXPECT_EQ(GetPixel(c.dc, 15, 10), kRed);  // right
  EXPECT_EQ(GetPixel(c.dc, 10, 10), kBlue);
  EXPECT_EQ(GetPixel(c.dc, 10, 4), kWhite);
  EXPECT_EQ(GetPixel(c.dc, 16, 10), kWhite);
  EXPECT_EQ(GetPixel(c.dc, 5, 5), kWhite);  // corners of the box stay empty
  EXPECT_EQ(GetPixel(c.dc, 15, 15), kWhite);
  // Small boxes: 3x3 is a plus around a filled centre, 4x4 leaves its corners empty.
  c.Clear();
  c.With(1, true, [&] { Ellipse(c.dc, 1, 1, 4, 4); });
  c.With(1, true, [&] { Ellipse(c.dc, 6, 1, 10, 5); });
  EXPECT_EQ(c.Rows(1, 1, 10, 5),
            ".P....PP.\n"
            "PBP..PBBP\n"
            ".P...PBBP\n"
            "......PP.\n");
}

TEST(GdiApi, LinesLeaveOutTheirLastPixelUnlessWide) {
  Canvas c(30, 30);
  c.With(1, false, [&] {
    MoveToEx(c.dc, 2, 3, nullptr);
    LineTo(c.dc, 8, 3);
  });
  EXPECT_EQ(GetPixel(c.dc, 2, 3), kRed);
  EXPECT_EQ(GetPixel(c.dc, 7, 3), kRed);
  EXPECT_EQ(GetPixel(c.dc, 8, 3), kWhite);
  // A diagonal steps one pixel a column.
  c.With(0, false, [&] {
    MoveToEx(c.dc, 2, 10, nullptr);
    LineTo(c.dc, 7, 15);
  });
  for (int i = 0; i < 5; ++i) EXPECT_EQ(GetPixel(c.dc, 2 + i, 10 + i), kRed) << i;
  EXPECT_EQ(GetPixel(c.dc, 7, 15), kWhite);
  // Width 2 has round caps: the end point is drawn, the stroke leans up and left.
  c.Clear();
  c.With(2, false, [&] {
    MoveToEx(c.dc, 10, 20, nullptr);
    LineTo(c.dc, 20, 20);
  });
  EXPECT_EQ(c.Rows(8, 18, 22, 22),
            "..............\n"
            ".PPPPPPPPPPPP.\n"
            ".PPPPPPPPPPPP.\n"
            "..............\n");
  POINT pt;
  GetCurrentPositionEx(c.dc, &pt);
  EXPECT_EQ(pt.x, 20);
  EXPECT_EQ(pt.y, 20);
}

TEST(GdiApi, BitBltIsClippedToBothBitmaps) {
  Canvas src(6, 6), dst(10, 10);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) SetPixel(src.dc, x, y, RGB(x * 40, y * 40, 7));
  // Source starting above and left of its bitmap, destination hanging off the right.
  EXPECT_TRUE(BitBlt(dst.dc, 6, 1, 8, 8, src.dc, -2, -1, SRCCOPY));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      int sx = x - 6 - 2, sy = y - 1 - 1;  // the source pixel that lands on (x, y)
      bool copied = x >= 6 && y >= 1 && y < 9 && sx >= 0 && sx < 6 && sy >= 0 && sy < 6;
      EXPECT_EQ(GetPixel(dst.dc, x, y), copied ? RGB(sx * 40, sy * 40, 7) : kWhite)
          << x << "," << y;
    }
  EXPECT_EQ(GetPixel(dst.dc, 10, 5), CLR_INVALID);
  EXPECT_EQ(GetPixel(dst.dc, -1, 5), CLR_INVALID);
  // Overlapping copy within one bitmap, down and right.
  EXPECT_TRUE(BitBlt(src.dc, 1, 1, 5, 5, src.dc, 0, 0, SRCCOPY));
  for (int y = 1; y < 6; ++y)
    for (int x = 1; x < 6; ++x)
      EXPECT_EQ(GetPixel(src.dc, x, y), RGB((x - 1) * 40, (y - 1) * 40, 7)) << x << "," << y;
}

}  // namespace
