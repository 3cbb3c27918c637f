// The pixel surface that the window system, the GDI and the hosts share: a
// window's client area, a bitmap, the menu bar all draw into one of these.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// A pixel surface: row-major, 32 bits a pixel, 0x00RRGGBB.
struct Surface {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  // Bumped by everything that changes the pixels, so a host presents only
  // surfaces that changed since it last looked.
  uint64_t version = 0;
  // The rows changed since version rows_from, kept by writers that know which rows they
  // changed (NoteRows). Good only while rows_version == version: any other writer
  // since then may have changed any row.
  uint64_t rows_from = 0, rows_version = ~uint64_t(0);
  int rows_top = 0, rows_bottom = 0;

  Surface() = default;
  Surface(int w, int h, uint32_t fill = 0xFFFFFF)
      : width(w), height(h), pixels(size_t(w > 0 ? w : 0) * size_t(h > 0 ? h : 0), fill) {}
  void Resize(int w, int h, uint32_t fill = 0xFFFFFF);
  // A change confined to rows [top, bottom) (none when top >= bottom); bumps version.
  void NoteRows(int top, int bottom) {
    cols_known = false;
    if (rows_version != version) {
      rows_from = version;
      rows_top = rows_bottom = 0;
    }
    if (top < bottom) {
      if (rows_top >= rows_bottom) {
        rows_top = top;
        rows_bottom = bottom;
      } else {
        rows_top = top < rows_top ? top : rows_top;
        rows_bottom = bottom > rows_bottom ? bottom : rows_bottom;
      }
    }
    rows_version = ++version;
  }
  // The columns changed in each row since rows_from, as (x0, x1) pairs from row 0, while
  // every writer since then told them (NoteSpans); cols_known false otherwise.
  std::vector<int> cols;
  bool cols_known = false;
  // Like NoteRows, with the columns [x0, x1) changed in each row of [top, bottom) given
  // as pairs in spans (x0 >= x1: none).
  void NoteSpans(int top, int bottom, const int* spans) {
    if (rows_version != version) {
      cols.clear();
      cols_known = true;
    }
    const bool known = cols_known;
    if (known && top < bottom) {
      cols.resize(size_t(height > 0 ? height : 0) * 2, 0);
      for (int y = top; y < bottom; ++y) {
        const int x0 = spans[2 * (y - top)], x1 = spans[2 * (y - top) + 1];
        if (x0 >= x1) continue;
        int& a = cols[2 * size_t(y)];
        int& b = cols[2 * size_t(y) + 1];
        if (a >= b) {
          a = x0, b = x1;
        } else {
          a = x0 < a ? x0 : a;
          b = x1 > b ? x1 : b;
        }
      }
    }
    NoteRows(top, bottom);
    cols_known = known;
  }
};
using SurfacePtr = std::shared_ptr<Surface>;

inline uint32_t ColorToPixel(COLORREF c) {
  return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF PixelToColor(uint32_t p) {
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

}  // namespace platform
