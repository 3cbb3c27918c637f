// Pixel surfaces shared by the window system and the GDI.
#include "surface.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <sys/mman.h>
#include <unistd.h>
#define PIXEL_RINGS 1
#endif

namespace platform {

namespace {

// Above this many pixels a surface gets no spare rows: they would double a large block.
constexpr size_t kMostPixelsWithSpareRows = size_t(16) << 20;

}  // namespace

bool pixel_rings = true;

#if defined(PIXEL_RINGS) && defined(MADV_HUGEPAGE)
namespace {
constexpr size_t kHugePage = size_t(2) << 20;
// From half a huge page up, a block is made of whole huge pages (what that adds is
// less than half the block).
constexpr size_t kHugeFrom = kHugePage / 2;
}  // namespace

void* AllocatePixels(size_t bytes) {
  if (bytes < kHugeFrom) return ::operator new(bytes);
  if (bytes > SIZE_MAX - kHugePage) throw std::bad_alloc();
  const size_t size = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, size);
  if (!block) throw std::bad_alloc();
  // Only advice: where huge pages are off, the block works the same on small ones.
  madvise(block, size, MADV_HUGEPAGE);
  return block;
}

void FreePixels(void* block, size_t bytes) {
  if (bytes < kHugeFrom)
    ::operator delete(block);
  else
    std::free(block);
}
#else
void* AllocatePixels(size_t bytes) { return ::operator new(bytes); }
void FreePixels(void* block, size_t) { ::operator delete(block); }
#endif

bool PixelStore::MakeRing(size_t pixels) {
#ifdef PIXEL_RINGS
  if (!pixel_rings) return false;
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  const size_t bytes = (pixels * sizeof(uint32_t) + page - 1) / page * page;
  const int fd = memfd_create("pixels", MFD_CLOEXEC);
  if (fd < 0) return false;
  void* area = MAP_FAILED;
  if (ftruncate(fd, off_t(bytes)) == 0)
    area = mmap(nullptr, 2 * bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) {
    close(fd);
    return false;
  }
  char* at = static_cast<char*>(area);
  const bool mapped =
      mmap(at, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd, 0) == at &&
      mmap(at + bytes, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd, 0) == at + bytes;
  close(fd);
  if (!mapped) {
    munmap(area, 2 * bytes);
    return false;
  }
  uint32_t* ring = static_cast<uint32_t*>(area);
  std::memcpy(ring, data(), size_ * sizeof(uint32_t));
  FreeRing();
  PixelBuffer().swap(buffer_);
  ring_ = ring;
  ring_pixels_ = bytes / sizeof(uint32_t);
  start_ = 0;
  return true;
#else
  (void)pixels;
  return false;
#endif
}

void PixelStore::FreeRing() {
#ifdef PIXEL_RINGS
  if (ring_) munmap(ring_, 2 * ring_pixels_ * sizeof(uint32_t));
#endif
  ring_ = nullptr;
  ring_pixels_ = 0;
}

// Keeps the overlapping top-left part of the old picture, fills the rest.
void Surface::Resize(int w, int h, uint32_t fill) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == width && h == height) return;
  PixelStore next(size_t(w) * size_t(h), fill);
  int keep_w = std::min(w, width);
  int keep_h = std::min(h, height);
  for (int y = 0; y < keep_h; ++y)
    std::memcpy(next.data() + size_t(y) * size_t(w), pixels.data() + size_t(y) * size_t(width),
                size_t(keep_w) * sizeof(uint32_t));
  pixels = std::move(next);
  width = w;
  height = h;
  ++version;
}

void Surface::Reshape(int w, int h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  const size_t n = size_t(w) * size_t(h);
  if (pixels.ring_ || pixels.owed_ || pixels.waiting_.rows) {
    Resize(0, 0);
    Resize(w, h);
    return;
  }
  if (pixels.buffer_.size() < n) pixels.buffer_.resize(n);
  pixels.start_ = 0;
  pixels.size_ = n;
  width = w;
  height = h;
  ++version;
}

void PixelStore::Settle(size_t x0, size_t y0, size_t x1, size_t y1) const {
  const Waiting w = waiting_;
  waiting_ = {};
  uint32_t* to = Base() + start_;
  const uint32_t* from = Base() + w.from;
  // Rows copied one by one in the order that reads every old row before it is
  // overwritten: a row's target may be another row's source.
  for (size_t i = 0; i < w.rows; ++i) {
    const size_t r = w.down ? w.rows - 1 - i : i;
    const size_t y = w.first + r;
    uint32_t* t = to + y * w.width;
    const uint32_t* f = from + r * w.width;
    if (y >= y0 && y < y1 && x0 < x1) {
      // The caller paints over columns [x0, x1) of this row.
      const size_t a = std::min(x0, w.width), b = std::min(x1, w.width);
      std::memmove(t, f, a * sizeof(uint32_t));
      std::memmove(t + b, f + b, (w.width - b) * sizeof(uint32_t));
    } else {
      std::memmove(t, f, w.width * sizeof(uint32_t));
    }
  }
}

void PixelStore::SettleColumns(size_t x0, size_t x1) {
  const Waiting w = waiting_;
  waiting_ = {};
  x1 = std::min(x1, w.width);
  if (x0 >= x1) return;
  uint32_t* to = Base() + start_;
  const uint32_t* from = Base() + w.from;
  for (size_t i = 0; i < w.rows; ++i) {
    const size_t r = w.down ? w.rows - 1 - i : i;
    std::memmove(to + (w.first + r) * w.width + x0, from + r * w.width + x0,
                 (x1 - x0) * sizeof(uint32_t));
  }
}

void Surface::MoveRows(int top, int bottom, int dy) {
  pixels.data();  // a copy still waiting goes first
  top = std::max(top, 0);
  bottom = std::min(bottom, height);
  if (width <= 0 || top >= bottom || dy == 0 || top + dy < 0 || bottom + dy > height) return;
  const size_t w = size_t(width), h = size_t(height);
  const size_t moved = size_t(bottom - top), kept = h - moved;
  if (kept >= moved || w * h > kMostPixelsWithSpareRows) {
    // Full-width rows are one block: one move, overlap and all.
    uint32_t* p = pixels.data();
    std::memmove(p + size_t(top + dy) * w, p + size_t(top) * w, moved * w * sizeof(uint32_t));
    return;
  }
  // Slide the block over the buffer by -dy rows, so every row takes the one dy rows
  // above or below it; then put back the rows outside the move's target.
  uint32_t *old_rows, *new_rows;
  // A ring as long as the old and new blocks together: the rows a slide uncovers are
  // the ones that left the surface a screenful ago, likely still in the cache.
  const size_t reach = (h + size_t(dy < 0 ? -dy : dy)) * w;
  if (pixels.ring_pixels_ >= reach || pixels.MakeRing(reach)) {
    const int64_t n = int64_t(pixels.ring_pixels_);
    const int64_t slid = (int64_t(pixels.start_) - int64_t(dy) * int64_t(w)) % n;
    old_rows = pixels.ring_ + pixels.start_;
    pixels.start_ = size_t(slid < 0 ? slid + n : slid);
    new_rows = pixels.ring_ + pixels.start_;
  } else {
    PixelBuffer& buffer = pixels.buffer_;
    size_t spare = buffer.size() / w - h;
    size_t start = pixels.start_ / w;
    const int64_t slid = int64_t(start) - dy;
    if (spare == 0 || slid < 0 || slid > int64_t(spare)) {
      // Out of spare rows on this side: move the block to the far end of the buffer once,
      // which leaves room for about spare / |dy| more slides the same way. As many spare
      // rows as the surface has: more would make the move rarer, but leave the rows a
      // slide uncovers longer out of the cache, which costs more in the end.
      if (spare == 0) spare = h;
      const size_t to = dy < 0 ? 0 : spare;
      if (buffer.size() == h * w) {
        PixelBuffer bigger((h + spare) * w);
        std::memcpy(bigger.data() + to * w, pixels.data(), h * w * sizeof(uint32_t));
        buffer.swap(bigger);
      } else {
        std::memmove(buffer.data() + to * w, pixels.data(), h * w * sizeof(uint32_t));
      }
      start = to;
    }
    old_rows = buffer.data() + start * w;
    start = size_t(int64_t(start) - dy);
    new_rows = buffer.data() + start * w;
    pixels.start_ = start * w;
  }
  // Row y now lies where old row y - dy was. The rows the move does not reach keep their
  // pixels: copied over, in the order that reads each old row before it is overwritten.
  auto keep = [&](int y) {
    std::memcpy(new_rows + size_t(y) * w, old_rows + size_t(y) * w, w * sizeof(uint32_t));
  };
  const int target_top = top + dy, target_bottom = bottom + dy;
  if (target_top == 0 || target_bottom == height) {
    // One band of rows to keep, at the top or the bottom: left for later, as the caller
    // is likely to paint over it.
    const int first = target_top == 0 ? target_bottom : 0;
    const int rows = target_top == 0 ? height - target_bottom : target_top;
    if (rows > 0)
      pixels.waiting_ = {size_t(first), size_t(rows),
                         size_t(old_rows - pixels.Base()) + size_t(first) * w, w, dy < 0};
    return;
  }
  if (dy < 0) {
    for (int y = height - 1; y >= target_bottom; --y) keep(y);
    for (int y = target_top - 1; y >= 0; --y) keep(y);
  } else {
    for (int y = 0; y < target_top; ++y) keep(y);
    for (int y = target_bottom; y < height; ++y) keep(y);
  }
}

}  // namespace platform
