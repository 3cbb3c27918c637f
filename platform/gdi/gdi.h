// The GDI's objects and device contexts, shared by the files of gdi/.
#pragma once

#include <cstring>
#include <string>

#include "../surface.h"
#include "hooks.h"

namespace platform::gdi {

enum class Kind { Pen, Brush, Font, Bitmap, DC };

struct Pen {
  int style = PS_SOLID;
  int width = 0;  // 0 draws one pixel wide
  COLORREF color = 0;
};

struct Brush {
  bool null = false;
  COLORREF color = 0;
};

// What CreateFontA asked for; text.cpp maps it to a face and size on first use and
// keeps the result in `resolved` (a cache entry owned by text.cpp, never freed here).
struct Font {
  int height = 0;
  int width = 0;
  int weight = FW_NORMAL;
  bool italic = false, underline = false, strikeout = false;
  DWORD charset = ANSI_CHARSET;
  DWORD pitch_and_family = DEFAULT_PITCH | FF_DONTCARE;
  std::string face;
  int stock_id = -1;  // SYSTEM_FONT, ANSI_FIXED_FONT, DEFAULT_GUI_FONT for stock fonts
  const void* resolved = nullptr;
};

struct Bitmap {
  SurfacePtr surface;
  bool monochrome = false;  // pixels are only black or white
};

struct DC {
  SurfacePtr surface;    // what it draws on: the selected bitmap's or a window's
  bool memory = false;   // from CreateCompatibleDC
  HWND owner = nullptr;  // the window of a window DC
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr;  // memory DCs: the selected bitmap (a 1x1 stock one at first)
  COLORREF text_color = RGB(0, 0, 0);
  COLORREF bk_color = RGB(255, 255, 255);
  int bk_mode = OPAQUE;
  UINT text_align = TA_TOP | TA_LEFT;
  POINT pos = {0, 0};
  bool monochrome = false;  // draws on a monochrome bitmap: colours map to black or white
};

// Handle lookups: null for a null, deleted or wrong-kind handle.
Pen* LookupPen(HGDIOBJ h);
Brush* LookupBrush(HGDIOBJ h);
Font* LookupFont(HGDIOBJ h);
Bitmap* LookupBitmap(HGDIOBJ h);
DC* LookupDC(HDC h);

// ---- Handle table internals (objects.cpp, dc.cpp) ------------------------------------
constexpr int kStockBitmap = 21;  // the 1x1 monochrome bitmap of a fresh memory DC
constexpr int kStockCount = 22;
HGDIOBJ StockObject(int id);  // null for an id without a stock object
bool IsStock(HGDIOBJ h);
// DCs live in the table too; window DCs are not counted as program objects.
HDC NewDC(DC dc, bool counted);
void FreeDC(HDC h);  // also lets go of the objects selected into it
HGDIOBJ InsertBitmap(Bitmap bitmap);
// Selection counts: an object deleted while selected goes when the last DC lets go.
void AddSelection(HGDIOBJ h);
void DropSelection(HGDIOBJ h);
int SelectionCount(HGDIOBJ h);
// The pixel a colour becomes on the DC's surface (black or white on a monochrome one).
uint32_t DevicePixel(const DC& dc, COLORREF colour);

// Pixel writes for the rasterizer and text: clipped to the surface, bump its version.
inline void PutPixel(Surface& s, int x, int y, uint32_t pixel) {
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return;
  s.pixels[size_t(y) * size_t(s.width) + size_t(x)] = pixel;
}

// Fills n pixels with one value at close to memset speed: 16-byte stores (a plain loop
// of 32-bit stores, or copying from a filled row, is far slower).
inline void FillPixels(uint32_t* p, size_t n, uint32_t v) {
  if ((v & 0xFF) == ((v >> 8) & 0xFF) && (v & 0xFF) == ((v >> 16) & 0xFF) &&
      (v & 0xFF) == (v >> 24)) {
    std::memset(p, int(v & 0xFF), n * sizeof(uint32_t));
    return;
  }
#if defined(__x86_64__)
  // Runs of a kilobyte and more (whole rows of the sky and ground, whole surfaces) go
  // fastest as one string store: a loop of vector stores is about 1.5x slower there.
  if (n >= 256) {
    asm volatile("rep stosl" : "+D"(p), "+c"(n) : "a"(v) : "memory");
    return;
  }
#endif
  typedef uint32_t Quad __attribute__((vector_size(16), aligned(4), may_alias));
  const Quad q = {v, v, v, v};
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    *reinterpret_cast<Quad*>(p + i) = q;
    *reinterpret_cast<Quad*>(p + i + 4) = q;
  }
  for (; i < n; ++i) p[i] = v;
}

// ---- Ellipse shapes (raster.cpp) ----------------------------------------------------
// Ellipses are drawn from shapes kept per box size, pen width and brush; tests turn
// the cache off to compare its pixels with those drawn afresh.
void SetShapeCacheEnabled(bool on);
struct ShapeCacheStats {
  uint64_t builds = 0;  // shapes worked out
  uint64_t hits = 0;    // calls served by a kept shape
};
ShapeCacheStats GetShapeCacheStats();

// ---- Text (text.cpp, cp1252.cpp) ----------------------------------------------------
// Windows-1252, the ANSI code page: byte -> Unicode, and back (-1 when not in the page).
uint32_t Cp1252ToUnicode(unsigned char byte);
int UnicodeToCp1252(uint32_t code_point);
// The metrics GetTextMetricsA reports for a font, and the advance of one byte in it.
void FontMetrics(const Font& font, TEXTMETRICA* tm);
int FontAdvance(const Font& font, unsigned char byte);
// The font file the mapper chose for a font ("" when none could be loaded).
std::string FontFilePath(const Font& font);
// Work done by the text engine since start-up, so tests can prove that faces, sizes
// and glyphs are cached.
struct TextCacheStats {
  uint64_t font_lookups = 0;    // fontconfig queries
  uint64_t face_opens = 0;      // font files opened as FreeType faces
  uint64_t size_creations = 0;  // FreeType sizes (one per face and pixel size)
  uint64_t glyph_renders = 0;   // glyphs loaded and rasterized
};
TextCacheStats GetTextCacheStats();

// The font table used where there is no fontconfig: the file for a family and style,
// and whether the family itself is in the table.
std::string FontTableFile(const std::string& family, bool bold, bool italic, bool* exact);

}  // namespace platform::gdi
