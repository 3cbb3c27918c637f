// The GDI handle table: live-object accounting, stock objects, deferred deletion of
// selected objects, refusal of bad handles, DC defaults.
#include <gtest/gtest.h>

#include "gdi/gdi.h"

namespace {

DWORD Live() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

std::shared_ptr<platform::Surface> NewSurface(int w, int h) {
  return std::make_shared<platform::Surface>(w, h, 0xFFFFFF);
}

TEST(GdiObjects, CreatingAndDeletingManyObjectsLeavesTheCountWhereItWas) {
  DWORD before = Live();
  for (int i = 0; i < 10000; ++i) {
    HPEN pen = CreatePen(PS_SOLID, i % 7, RGB(i, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, i, 0));
    HFONT font = CreateFontA(-(i % 40), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "KX507-font");
    ASSERT_TRUE(pen && brush && font) << "at " << i;
    ASSERT_EQ(Live(), before + 3);
    ASSERT_TRUE(DeleteObject(pen));
    ASSERT_TRUE(DeleteObject(brush));
    ASSERT_TRUE(DeleteObject(font));
  }
  EXPECT_EQ(Live(), before);
}

TEST(GdiObjects, CountsEveryKindOfObjectUntilItIsDeleted) {
  DWORD before = Live();
  HDC dc = CreateCompatibleDC(nullptr);
  auto surface = NewSurface(8, 8);
  HDC window = platform::CreateSurfaceDC(surface, nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(window, 4, 4);
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  EXPECT_EQ(Live(), before + 3);  // the window DC is lent by the window system
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(dc));
  platform::DestroySurfaceDC(window);
  EXPECT_EQ(Live(), before);
}

TEST(GdiObjects, StockObjectsSurviveDeletionAndAreNotCounted) {
  DWORD before = Live();
  const int ids[] = {WHITE_BRUSH, LTGRAY_BRUSH,     GRAY_BRUSH,     DKGRAY_BRUSH, BLACK_BRUSH,
                     NULL_BRUSH,  WHITE_PEN,        BLACK_PEN,      NULL_PEN,     ANSI_FIXED_FONT,
                     SYSTEM_FONT, DEFAULT_GUI_FONT, OEM_FIXED_FONT, ANSI_VAR_FONT};
  for (int id : ids) {
    HGDIOBJ h = GetStockObject(id);
    ASSERT_NE(h, nullptr) << id;
    EXPECT_EQ(GetStockObject(id), h) << "stock objects are the same handle each time";
    DWORD type = GetObjectType(h);
    EXPECT_TRUE(DeleteObject(h)) << id;
    EXPECT_EQ(GetObjectType(h), type) << "stock object " << id << " gone after DeleteObject";
  }
  EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), DWORD(OBJ_BRUSH));
  EXPECT_EQ(GetObjectType(GetStockObject(NULL_PEN)), DWORD(OBJ_PEN));
  EXPECT_EQ(GetObjectType(GetStockObject(SYSTEM_FONT)), DWORD(OBJ_FONT));
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(GetStockObject(1000), nullptr);
  EXPECT_EQ(Live(), before);
  // Stock fonts are fonts the text engine can tell apart.
  auto* fixed = platform::gdi::LookupFont(GetStockObject(ANSI_FIXED_FONT));
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->stock_id, ANSI_FIXED_FONT);
  COLORREF c = 1;
  EXPECT_TRUE(platform::SolidBrushColor((HBRUSH)GetStockObject(LTGRAY_BRUSH), &c));
  EXPECT_EQ(c, RGB(192, 192, 192));
  EXPECT_FALSE(platform::SolidBrushColor((HBRUSH)GetStockObject(NULL_BRUSH), &c));
}

TEST(GdiObjects, ASelectedObjectGoesOnlyWhenTheLastDCLetsGo) {
  DWORD before = Live();
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HGDIOBJ old_a = SelectObject(a, pen);
  HGDIOBJ old_b = SelectObject(b, pen);
  EXPECT_EQ(old_a, GetStockObject(BLACK_PEN));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN)) << "freed while still selected";
  EXPECT_NE(platform::gdi::LookupPen(pen), nullptr);
  EXPECT_EQ(SelectObject(a, old_a), pen);
  EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN)) << "freed while still selected into b";
  EXPECT_EQ(SelectObject(b, old_b), pen);
  EXPECT_EQ(GetObjectType(pen), 0u);
  EXPECT_FALSE(DeleteObject(pen)) << "a freed handle is not deleted twice";
  // Deleting the DC lets go too.
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  SelectObject(a, brush);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteDC(a));
  EXPECT_EQ(GetObjectType(brush), 0u);
  EXPECT_TRUE(DeleteDC(b));
  EXPECT_EQ(Live(), before);
}

TEST(GdiObjects, AFreedSlotsOldHandleStaysInvalidAfterReuse) {
  HPEN first = CreatePen(PS_SOLID, 1, 0);
  ASSERT_TRUE(DeleteObject(first));
  HBRUSH second = CreateSolidBrush(0);  // likely reuses the slot
  EXPECT_EQ(GetObjectType(first), 0u);
  EXPECT_EQ(platform::gdi::LookupPen(first), nullptr);
  EXPECT_FALSE(DeleteObject(first));
  EXPECT_EQ(GetObjectType(second), DWORD(OBJ_BRUSH));
  DeleteObject(second);
}

TEST(GdiObjects, BadHandlesAreRefused) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  // Null, garbage, other kinds of handle (window-, menu- and memory-like values).
  const uintptr_t bad[] = {0, 1, 0x1234, 0x10020, 0x80020, 0x4C000010, 0x6FFFFFFF, uintptr_t(-1)};
  for (uintptr_t v : bad) {
    auto h = reinterpret_cast<HGDIOBJ>(v);
    auto hdc = reinterpret_cast<HDC>(v);
    EXPECT_EQ(GetObjectType(h), 0u) << v;
    EXPECT_FALSE(DeleteObject(h)) << v;
    EXPECT_EQ(SelectObject(dc, h), nullptr) << v;
    EXPECT_EQ(SelectObject(hdc, pen), nullptr) << v;
    EXPECT_EQ(GetPixel(hdc, 0, 0), CLR_INVALID) << v;
    EXPECT_EQ(SetPixel(hdc, 0, 0, 0), CLR_INVALID) << v;
    EXPECT_EQ(SetTextColor(hdc, 0), CLR_INVALID) << v;
    EXPECT_EQ(GetTextColor(hdc), CLR_INVALID) << v;
    EXPECT_EQ(SetBkColor(hdc, 0), CLR_INVALID) << v;
    EXPECT_EQ(GetBkColor(hdc), CLR_INVALID) << v;
    EXPECT_EQ(SetBkMode(hdc, OPAQUE), 0) << v;
    EXPECT_EQ(GetBkMode(hdc), 0) << v;
    POINT pt = {7, 7};
    EXPECT_FALSE(MoveToEx(hdc, 1, 1, &pt)) << v;
    EXPECT_EQ(pt.x, 7);
    EXPECT_FALSE(GetCurrentPositionEx(hdc, &pt)) << v;
    EXPECT_FALSE(LineTo(hdc, 3, 3)) << v;
    EXPECT_FALSE(Rectangle(hdc, 0, 0, 3, 3)) << v;
    EXPECT_FALSE(Ellipse(hdc, 0, 0, 3, 3)) << v;
    EXPECT_FALSE(BitBlt(hdc, 0, 0, 1, 1, dc, 0, 0, SRCCOPY)) << v;
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, hdc, 0, 0, SRCCOPY)) << v;
    EXPECT_FALSE(ScrollDC(hdc, 1, 1, nullptr, nullptr, nullptr, nullptr)) << v;
    RECT r = {0, 0, 1, 1};
    EXPECT_EQ(FillRect(hdc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH)), 0) << v;
    EXPECT_EQ(FillRect(dc, &r, reinterpret_cast<HBRUSH>(v)), 0) << v;
    EXPECT_FALSE(DeleteDC(hdc)) << v;
    EXPECT_EQ(CreateCompatibleBitmap(hdc, 2, 2), nullptr) << v;
    if (v) {
      EXPECT_EQ(CreateCompatibleDC(hdc), nullptr) << v;
    }
  }
  // A pen is not a DC, a DC is not a pen.
  EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(pen), 0, 0), CLR_INVALID);
  EXPECT_EQ(SelectObject(dc, dc), nullptr);
  EXPECT_EQ(platform::gdi::LookupBrush(pen), nullptr);
  // A deleted DC is refused like any bad handle.
  ASSERT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(GetBkMode(dc), 0);
  EXPECT_EQ(SelectObject(dc, pen), nullptr);
  DeleteObject(pen);
}

TEST(GdiObjects, DCsStartWithWindowsDefaults) {
  auto surface = NewSurface(5, 5);
  HDC window = platform::CreateSurfaceDC(surface, reinterpret_cast<HWND>(0x10022));
  HDC memory = CreateCompatibleDC(window);
  for (HDC dc : {window, memory}) {
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetTextAlign(dc), UINT(TA_TOP | TA_LEFT));
    POINT pt = {5, 5};
    EXPECT_TRUE(GetCurrentPositionEx(dc, &pt));
    EXPECT_EQ(pt.x, 0);
    EXPECT_EQ(pt.y, 0);
    // What SelectObject hands back is what was selected.
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HBRUSH brush = CreateSolidBrush(0);
    HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "x");
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), pen);
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), brush);
    EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FONT)), font);
    DeleteObject(pen);
    DeleteObject(brush);
    DeleteObject(font);
  }
  EXPECT_EQ(GetObjectType(window), DWORD(OBJ_DC));
  EXPECT_EQ(GetObjectType(memory), DWORD(OBJ_MEMDC));
  EXPECT_EQ(platform::SurfaceDCWindow(window), reinterpret_cast<HWND>(0x10022));
  EXPECT_EQ(platform::SurfaceDCWindow(memory), nullptr);
  // A fresh memory DC draws on a 1x1 monochrome bitmap: black at (0,0), nothing beyond.
  EXPECT_EQ(GetPixel(memory, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(memory, 1, 0), CLR_INVALID);
  EXPECT_FALSE(DeleteDC(window)) << "window DCs are released, not deleted";
  EXPECT_TRUE(DeleteDC(memory));
  platform::DestroySurfaceDC(window);
  EXPECT_EQ(GetObjectType(window), 0u);
}

TEST(GdiObjects, AttributesReturnTheirPreviousValues) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), RGB(1, 2, 3));
  EXPECT_EQ(GetTextColor(dc), RGB(4, 5, 6));
  EXPECT_EQ(SetBkColor(dc, RGB(7, 8, 9)), RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(7, 8, 9));
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, 7), 0) << "an unknown mode is refused";
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(SetTextAlign(dc, TA_BASELINE | TA_CENTER), UINT(TA_TOP | TA_LEFT));
  EXPECT_EQ(GetTextAlign(dc), UINT(TA_BASELINE | TA_CENTER));
  POINT old = {-1, -1};
  EXPECT_TRUE(MoveToEx(dc, 3, 4, nullptr));
  EXPECT_TRUE(MoveToEx(dc, -7, 2000000000, &old));
  EXPECT_EQ(old.x, 3);
  EXPECT_EQ(old.y, 4);
  EXPECT_TRUE(LineTo(dc, 9, 10));
  EXPECT_TRUE(GetCurrentPositionEx(dc, &old));
  EXPECT_EQ(old.x, 9);
  EXPECT_EQ(old.y, 10) << "LineTo moves the current position to its end";
  DeleteDC(dc);
}

TEST(GdiObjects, CompatibleBitmapsTakeTheFormatOfTheirDC) {
  auto surface = NewSurface(10, 10);
  HDC window = platform::CreateSurfaceDC(surface, nullptr);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP colour = CreateCompatibleBitmap(window, 6, 4);
  HBITMAP mono = CreateCompatibleBitmap(memory, 6, 4);
  ASSERT_TRUE(colour && mono);
  ASSERT_EQ(GetObjectType(colour), DWORD(OBJ_BITMAP));
  EXPECT_FALSE(platform::gdi::LookupBitmap(colour)->monochrome);
  EXPECT_TRUE(platform::gdi::LookupBitmap(mono)->monochrome);
  // Colours drawn on a monochrome bitmap become the nearer of black and white.
  HGDIOBJ stock = SelectObject(memory, mono);
  EXPECT_EQ(SetPixel(memory, 0, 0, RGB(200, 200, 200)), RGB(255, 255, 255));
  EXPECT_EQ(SetPixel(memory, 1, 0, RGB(127, 127, 127)), RGB(0, 0, 0));
  EXPECT_EQ(SetPixel(memory, 2, 0, RGB(128, 128, 128)), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(memory, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(memory, 1, 0), RGB(0, 0, 0));
  // A colour bitmap keeps 24-bit colours and has the size asked for.
  EXPECT_EQ(SelectObject(memory, colour), mono);
  EXPECT_EQ(SetPixel(memory, 5, 3, RGB(12, 34, 56)), RGB(12, 34, 56));
  EXPECT_EQ(GetPixel(memory, 5, 3), RGB(12, 34, 56));
  EXPECT_EQ(GetPixel(memory, 6, 3), CLR_INVALID);
  EXPECT_EQ(GetPixel(memory, 5, 4), CLR_INVALID);
  EXPECT_EQ(GetPixel(memory, -1, 0), CLR_INVALID);
  // A bitmap lives in one DC at a time.
  HDC other = CreateCompatibleDC(window);
  EXPECT_EQ(SelectObject(other, colour), nullptr);
  // A bitmap cannot go into a window DC.
  EXPECT_EQ(SelectObject(window, mono), nullptr);
  // Zero size gives the 1x1 monochrome stock bitmap; negative sizes their magnitude;
  // absurd sizes are refused instead of allocated.
  HBITMAP empty = CreateCompatibleBitmap(window, 0, 5);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(platform::gdi::LookupBitmap(empty)->surface->width, 1);
  EXPECT_TRUE(platform::gdi::IsStock(empty));
  HBITMAP negative = CreateCompatibleBitmap(window, -3, 5);
  ASSERT_NE(negative, nullptr);
  EXPECT_EQ(platform::gdi::LookupBitmap(negative)->surface->width, 3);
  EXPECT_EQ(CreateCompatibleBitmap(window, 2000000000, 2000000000), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(window, INT32_MIN, INT32_MIN), nullptr);
  EXPECT_EQ(SelectObject(memory, stock), colour);
  for (HGDIOBJ h : {(HGDIOBJ)colour, (HGDIOBJ)mono, (HGDIOBJ)negative})
    EXPECT_TRUE(DeleteObject(h));
  DeleteDC(other);
  DeleteDC(memory);
  platform::DestroySurfaceDC(window);
}

TEST(GdiObjects, PensAndFontsRecordWhatWasAsked) {
  HPEN wide = CreatePen(PS_SOLID, 7, RGB(1, 2, 3));
  HPEN null = CreatePen(PS_NULL, 3, 0);
  HPEN negative = CreatePen(PS_SOLID, -4, 0);
  ASSERT_TRUE(wide && null && negative);
  EXPECT_EQ(platform::gdi::LookupPen(wide)->width, 7);
  EXPECT_EQ(platform::gdi::LookupPen(wide)->color, RGB(1, 2, 3));
  EXPECT_EQ(platform::gdi::LookupPen(null)->style, PS_NULL);
  EXPECT_EQ(platform::gdi::LookupPen(negative)->width, 4);
  HFONT font = CreateFontA(-17, 3, 0, 0, FW_BOLD, TRUE, FALSE, TRUE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           FIXED_PITCH | FF_MODERN, "A face name longer than thirty-one chars");
  auto* f = platform::gdi::LookupFont(font);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->height, -17);
  EXPECT_EQ(f->width, 3);
  EXPECT_EQ(f->weight, FW_BOLD);
  EXPECT_TRUE(f->italic);
  EXPECT_FALSE(f->underline);
  EXPECT_TRUE(f->strikeout);
  EXPECT_EQ(f->pitch_and_family, DWORD(FIXED_PITCH | FF_MODERN));
  EXPECT_EQ(f->face, "A face name longer than thirty-");
  EXPECT_EQ(f->stock_id, -1);
  HFONT unnamed = CreateFontA(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(platform::gdi::LookupFont(unnamed)->face, "");
  for (HGDIOBJ h :
       {(HGDIOBJ)wide, (HGDIOBJ)null, (HGDIOBJ)negative, (HGDIOBJ)font, (HGDIOBJ)unnamed})
    EXPECT_TRUE(DeleteObject(h));
}

}  // namespace
