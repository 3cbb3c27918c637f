// Rectangles, ellipses and lines, pixel for pixel as Windows draws them.
#include <algorithm>

#include "gdi.h"

namespace platform {

void FillSurfaceRect(Surface& s, const RECT& r, COLORREF colour) {
  int64_t l = std::max<int64_t>(r.left, 0), t = std::max<int64_t>(r.top, 0);
  int64_t rr = std::min<int64_t>(r.right, s.width), b = std::min<int64_t>(r.bottom, s.height);
  if (l >= rr || t >= b) return;
  uint32_t p = ColorToPixel(colour);
  for (int64_t y = t; y < b; ++y) {
    uint32_t* row = s.pixels.data() + size_t(y) * size_t(s.width);
    std::fill(row + l, row + rr, p);
  }
  ++s.version;
}

}  // namespace platform
