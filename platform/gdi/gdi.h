// The GDI's objects and device contexts, shared by the files of gdi/.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

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

struct DrawLog;

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
  bool monochrome = false;       // draws on a monochrome bitmap: colours map to black or white
  std::shared_ptr<DrawLog> log;  // memory DCs: what was drawn since the last copy out
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

// ---- What memory DCs drew (draw_log.cpp) --------------------------------------------
// A back buffer is usually drawn afresh and copied to its window many times a second,
// and most of each picture is drawn exactly as the one before. A memory DC therefore
// keeps the calls that drew on it since its last copy out; when its next copy goes to
// the same place, only the parts where the calls differ from the last picture's need
// comparing with the destination, rather than every row of both.
//
// One call as far as its pixels go: two calls alike draw alike pixels, given alike
// pixels underneath where they blend with them.
struct DrawCall {
  enum Kind : uint8_t { kRectangle, kEllipse, kLine, kText, kFill };
  Kind kind = kRectangle;
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // as drawn: the box, the line's ends, the text's cell
  bool pen = false, brush = false;
  int pen_width = 0;
  uint32_t pen_px = 0, brush_px = 0;
  std::string text;            // text: its bytes,
  const void* font = nullptr;  // the font as resolved,
  uint32_t text_px = 0, bk_px = 0;
  int bk_mode = 0;
  // Where it may have written, clipped to the surface ([l, r) x [t, b); empty if l >= r).
  int64_t l = 0, t = 0, r = 0, b = 0;
  bool blends = false;  // some pixels mix with what lies underneath (smoothed text)
  // Pixels it set whatever they held before: [cl, cr) x [ct, cb), empty if cl >= cr.
  int64_t cl = 0, ct = 0, cr = 0, cb = 0;
  bool operator==(const DrawCall& o) const;
};
// Clips the call's reach to the surface; by the drawing calls after they drew.
void ClipToSurface(DrawCall& call, const Surface& s);
// Whether a call on the DC is to be drawn now. A back buffer whose last picture was
// copied out in step puts its calls off instead, until its pixels are looked at or its
// next copy, which then draws only the parts that can have changed (most of a picture
// drawn afresh is drawn as before); so does a window keeping its drawing. Before a call
// drawn now, what was put off is drawn.
bool DrawNow(DC& dc);
// Keeps a call a DC just made (drawn: now; else put off); version_before is its
// surface's version before the call, so a change by anything unlogged in between is
// noticed. Window DCs keep only the calls put off.
void LogDrawCall(DC& dc, uint64_t version_before, DrawCall&& call, bool drawn = true);
// A window DC's calls are put off too while its surface keeps them (window_log.cpp):
// from a scroll of the whole window on, until its pixels are looked at, when only what
// can still be seen is drawn.
bool KeepsWindowDrawing(const DC& dc);
void KeepWindowCall(DC& dc, DrawCall&& call);
// ScrollDC of the whole window by dy rows: true when it was kept rather than made.
bool KeepWindowScroll(DC& dc, int dy);
struct WindowLogStats {
  uint64_t scrolls = 0;  // scrolls kept
  uint64_t calls = 0;    // calls kept
  uint64_t drawn = 0;    // of those, drawn when the pixels were looked at
  uint64_t made = 0;     // scrolls made when the pixels were looked at
};
WindowLogStats GetWindowLogStats();
// Draws a kept call on s: shapes and fills (raster.cpp), text (text.cpp).
void ReplayShape(Surface& s, const DrawCall& call);
void ReplayText(Surface& s, const DrawCall& call);
// Fills and rectangles with no pen or a one-pixel one are made of boxes: they can be
// drawn within any rectangle [l, r) x [t, b) of the surface alone.
bool MadeOfBoxes(const DrawCall& call);
void ReplayBoxesWithin(Surface& s, const DrawCall& call, int64_t l, int64_t t, int64_t r,
                       int64_t b);
// Whether `w` points at the surface `s` holds (s not null): told by their shared owner,
// without the atomic counting of w.lock(), which every drawing call would pay twice.
inline bool SameSurface(const std::weak_ptr<Surface>& w, const SurfacePtr& s) {
  return !w.owner_before(s) && !s.owner_before(w);
}
// Before a copy out of src_dc's surface reads its pixels: draws what was put off, only
// in the parts `spans` names when given (ChangedSinceCopy's), else everywhere.
void DrawOwed(DC& src_dc, const std::vector<int>* spans);
// For a change the log does not keep: the DC's next copy out compares every pixel.
void ForgetDrawLog(DC& dc);
// For a copy from src_dc's rectangle [fl, fr) x [ft, fb) to dst, (ox, oy) further on:
// 0 when the log cannot tell what changed since the last copy out (something drawn
// unlogged, no last picture to go by). Else spans holds, for every row of the source
// surface (row 0 first), the columns where the picture can differ from the last one, as
// pairs (x0, x1) (x0 >= x1: none), which is enough to draw what was put off; and the
// result is 2 when dst still holds the last picture (the same copy as last time, dst
// unchanged since), so only those columns need comparing, 1 when all must be.
int ChangedSinceCopy(const DC& src_dc, const SurfacePtr& dst, int64_t fl, int64_t ft, int64_t fr,
                     int64_t fb, int64_t ox, int64_t oy, std::vector<int>* spans);
// After such a copy, which left dst equal to the source in the rectangle: the calls
// logged so far become the picture's, and new calls are logged against it.
void NoteCopyOut(DC& src_dc, const SurfacePtr& dst, int64_t fl, int64_t ft, int64_t fr, int64_t fb,
                 int64_t ox, int64_t oy);
// The calls a memory DC has logged since its last copy out (none when the log lapsed).
std::vector<DrawCall> LoggedCalls(HDC hdc);
struct CopyStats {
  uint64_t logged = 0;    // copies that compared only what the log named
  uint64_t whole = 0;     // copies that compared every row
  uint64_t partly = 0;    // copies that drew the calls put off only where they changed
  uint64_t in_place = 0;  // stretches of such drawing made in place, not on scratch
};
CopyStats GetCopyStats();

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
