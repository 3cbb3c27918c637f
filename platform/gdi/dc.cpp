// Device contexts: window DCs lent to the window system, memory DCs, their
// attributes, object selection, and single pixels.
#include <cstdlib>
#include <new>

#include "gdi.h"

namespace platform::gdi {
namespace {

DC Defaults() {
  DC dc;
  dc.pen = reinterpret_cast<HPEN>(StockObject(BLACK_PEN));
  dc.brush = reinterpret_cast<HBRUSH>(StockObject(WHITE_BRUSH));
  dc.font = reinterpret_cast<HFONT>(StockObject(SYSTEM_FONT));
  return dc;
}

// A bitmap larger than this is refused rather than allocated (1 GiB of pixels).
constexpr uint64_t kMaxBitmapPixels = uint64_t(1) << 28;

}  // namespace

uint32_t DevicePixel(const DC& dc, COLORREF colour) {
  uint32_t p = ColorToPixel(colour);
  if (!dc.monochrome) return p;
  // The nearer of black and white.
  int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  int to_black = r * r + g * g + b * b;
  int to_white = (255 - r) * (255 - r) + (255 - g) * (255 - g) + (255 - b) * (255 - b);
  return to_white < to_black ? 0xFFFFFF : 0x000000;
}

}  // namespace platform::gdi

namespace platform {

HDC CreateSurfaceDC(SurfacePtr surface, HWND owner) {
  gdi::DC dc = gdi::Defaults();
  dc.surface = std::move(surface);
  dc.owner = owner;
  return gdi::NewDC(std::move(dc), false);
}

void DestroySurfaceDC(HDC dc) {
  gdi::DC* d = gdi::LookupDC(dc);
  if (!d || d->memory) return;
  gdi::FreeDC(dc);
}

HWND SurfaceDCWindow(HDC dc) {
  gdi::DC* d = gdi::LookupDC(dc);
  return d ? d->owner : nullptr;
}

}  // namespace platform

using namespace platform;
using namespace platform::gdi;

extern "C" {

HDC WINAPI CreateCompatibleDC(HDC hdc) {
  if (hdc && !LookupDC(hdc)) return nullptr;
  DC dc = Defaults();
  dc.memory = true;
  dc.bitmap = reinterpret_cast<HBITMAP>(StockObject(kStockBitmap));
  Bitmap* stock = LookupBitmap(dc.bitmap);
  dc.surface = stock->surface;
  dc.monochrome = true;
  return NewDC(std::move(dc), true);
}

BOOL WINAPI DeleteDC(HDC hdc) {
  DC* d = LookupDC(hdc);
  // Window DCs go back through ReleaseDC/EndPaint, never DeleteDC.
  if (!d || !d->memory) return FALSE;
  FreeDC(hdc);
  return TRUE;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  DC* d = LookupDC(hdc);
  if (!d) return nullptr;
  if (cx == 0 || cy == 0) return reinterpret_cast<HBITMAP>(StockObject(kStockBitmap));
  uint64_t w = uint64_t(std::llabs(int64_t(cx))), h = uint64_t(std::llabs(int64_t(cy)));
  if (w * h > kMaxBitmapPixels) return nullptr;
  Bitmap b;
  // A memory DC still holding its monochrome bitmap makes monochrome bitmaps.
  b.monochrome = d->memory && d->monochrome;
  try {
    b.surface = std::make_shared<Surface>(int(w), int(h), 0x000000);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return reinterpret_cast<HBITMAP>(InsertBitmap(std::move(b)));
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  DC* d = LookupDC(hdc);
  if (!d || !h) return nullptr;
  HGDIOBJ* slot = nullptr;
  if (LookupPen(h)) {
    slot = reinterpret_cast<HGDIOBJ*>(&d->pen);
  } else if (LookupBrush(h)) {
    slot = reinterpret_cast<HGDIOBJ*>(&d->brush);
  } else if (LookupFont(h)) {
    slot = reinterpret_cast<HGDIOBJ*>(&d->font);
  } else if (Bitmap* b = LookupBitmap(h)) {
    if (!d->memory) return nullptr;
    if (h == d->bitmap) return h;
    // A bitmap lives in one DC at a time (the stock one excepted).
    if (!IsStock(h) && SelectionCount(h) > 0) return nullptr;
    d->surface = b->surface;
    d->monochrome = b->monochrome;
    slot = reinterpret_cast<HGDIOBJ*>(&d->bitmap);
  } else {
    return nullptr;
  }
  HGDIOBJ previous = *slot;
  if (previous == h) return previous;
  *slot = h;
  AddSelection(h);
  DropSelection(previous);
  return previous;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  DC* d = LookupDC(hdc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->text_color;
  d->text_color = color;
  return old;
}

COLORREF WINAPI GetTextColor(HDC hdc) {
  DC* d = LookupDC(hdc);
  return d ? d->text_color : CLR_INVALID;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
  DC* d = LookupDC(hdc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = d->bk_mode;
  d->bk_mode = mode;
  return old;
}

int WINAPI GetBkMode(HDC hdc) {
  DC* d = LookupDC(hdc);
  return d ? d->bk_mode : 0;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
  DC* d = LookupDC(hdc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->bk_color;
  d->bk_color = color;
  return old;
}

COLORREF WINAPI GetBkColor(HDC hdc) {
  DC* d = LookupDC(hdc);
  return d ? d->bk_color : CLR_INVALID;
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
  DC* d = LookupDC(hdc);
  if (!d) return 0xFFFFFFFF;  // GDI_ERROR
  UINT old = d->text_align;
  d->text_align = align;
  return old;
}

UINT WINAPI GetTextAlign(HDC hdc) {
  DC* d = LookupDC(hdc);
  return d ? d->text_align : 0xFFFFFFFF;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
  DC* d = LookupDC(hdc);
  if (!d || !d->surface) return CLR_INVALID;
  const Surface& s = *d->surface;
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return CLR_INVALID;
  return PixelToColor(s.pixels[size_t(y) * size_t(s.width) + size_t(x)]);
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
  DC* d = LookupDC(hdc);
  if (!d || !d->surface) return CLR_INVALID;
  uint32_t p = DevicePixel(*d, color);
  Surface& s = *d->surface;
  if (x >= 0 && y >= 0 && x < s.width && y < s.height) {
    s.pixels[size_t(y) * size_t(s.width) + size_t(x)] = p;
    ++s.version;
  }
  // Windows reports the colour it would set even when the pixel is clipped away.
  return PixelToColor(p);
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
  DC* d = LookupDC(hdc);
  if (!d) return FALSE;
  if (lppt) *lppt = d->pos;
  d->pos = POINT{x, y};
  return TRUE;
}

BOOL WINAPI GetCurrentPositionEx(HDC hdc, LPPOINT lppt) {
  DC* d = LookupDC(hdc);
  if (!d || !lppt) return FALSE;
  *lppt = d->pos;
  return TRUE;
}

}  // extern "C"
