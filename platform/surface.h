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

  Surface() = default;
  Surface(int w, int h, uint32_t fill = 0xFFFFFF)
      : width(w), height(h), pixels(size_t(w > 0 ? w : 0) * size_t(h > 0 ? h : 0), fill) {}
  void Resize(int w, int h, uint32_t fill = 0xFFFFFF);
};
using SurfacePtr = std::shared_ptr<Surface>;

inline uint32_t ColorToPixel(COLORREF c) {
  return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF PixelToColor(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

}  // namespace platform
