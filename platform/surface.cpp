// Pixel surfaces shared by the window system and the GDI.
#include <algorithm>
#include <cstring>

#include "surface.h"

namespace platform {

// Keeps the overlapping top-left part of the old picture, fills the rest.
void Surface::Resize(int w, int h, uint32_t fill) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == width && h == height) return;
  std::vector<uint32_t> next(size_t(w) * size_t(h), fill);
  int keep_w = std::min(w, width);
  int keep_h = std::min(h, height);
  for (int y = 0; y < keep_h; ++y)
    std::memcpy(&next[size_t(y) * size_t(w)], &pixels[size_t(y) * size_t(width)],
                size_t(keep_w) * sizeof(uint32_t));
  pixels.swap(next);
  width = w;
  height = h;
  ++version;
}

}  // namespace platform
