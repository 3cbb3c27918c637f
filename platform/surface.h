// The pixel surface that the window system, the GDI and the hosts share: a
// window's client area, a bitmap, the menu bar all draw into one of these.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

// Blocks for pixels. A large block (a window's picture, a back buffer) is read and
// written in part all over, ten times a second, each time after the program slept: on
// huge pages, where the system offers them, it takes a few address translations rather
// than hundreds (which cost most in a virtual machine).
void* AllocatePixels(size_t bytes);
void FreePixels(void* block, size_t bytes);

template <class T>
struct PixelAllocator {
  using value_type = T;
  PixelAllocator() = default;
  template <class U>
  PixelAllocator(const PixelAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(AllocatePixels(n * sizeof(T))); }
  void deallocate(T* p, size_t n) { FreePixels(p, n * sizeof(T)); }
  friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
  friend bool operator!=(const PixelAllocator&, const PixelAllocator&) { return false; }
};
using PixelBuffer = std::vector<uint32_t, PixelAllocator<uint32_t>>;

// A surface's pixels: one contiguous row-major block, read and written like a vector.
// The block may sit inside a taller buffer with spare rows above and below it, so that
// scrolling the whole surface up or down moves where the block starts rather than every
// pixel (Surface::MoveRows). The rows such a scroll leaves uncovered keep their old
// pixels through a copy that waits until the pixels are next touched, because the caller
// usually paints over them at once (Surface::WillFill). Copies hold the block alone.
class PixelStore {
 public:
  using value_type = uint32_t;
  using iterator = uint32_t*;
  using const_iterator = const uint32_t*;

  PixelStore() = default;
  PixelStore(size_t n, uint32_t fill) : buffer_(n, fill), size_(n) {}
  PixelStore(const PixelStore& o) : buffer_(o.begin(), o.end()), size_(o.size_) {}
  PixelStore(PixelStore&& o) noexcept
      : buffer_(std::move(o.buffer_)),
        start_(o.start_),
        size_(o.size_),
        waiting_(o.waiting_),
        ring_(o.ring_),
        ring_pixels_(o.ring_pixels_),
        owed_(std::move(o.owed_)),
        owed_by_(o.owed_by_) {
    o.start_ = o.size_ = o.ring_pixels_ = 0;
    o.waiting_ = {};
    o.ring_ = nullptr;
    o.owed_ = nullptr;
  }
  ~PixelStore() {
    if (ring_) FreeRing();
  }
  PixelStore& operator=(const PixelStore& o) {
    if (this != &o) {
      PixelBuffer copy(o.begin(), o.end());
      FreeRing();
      buffer_.swap(copy);
      start_ = 0;
      size_ = o.size_;
      waiting_ = {};
      owed_ = nullptr;  // drawing owed to the pixels just replaced
    }
    return *this;
  }
  PixelStore& operator=(PixelStore&& o) noexcept {
    if (this == &o) return *this;
    FreeRing();
    buffer_ = std::move(o.buffer_);
    start_ = o.start_;
    size_ = o.size_;
    waiting_ = o.waiting_;
    ring_ = o.ring_;
    ring_pixels_ = o.ring_pixels_;
    owed_ = std::move(o.owed_);
    owed_by_ = o.owed_by_;
    o.start_ = o.size_ = o.ring_pixels_ = 0;
    o.waiting_ = {};
    o.ring_ = nullptr;
    o.owed_ = nullptr;
    return *this;
  }

  uint32_t* data() {
    if (owed_) PayOwed();
    if (waiting_.rows) Settle();
    return Base() + start_;
  }
  const uint32_t* data() const {
    if (owed_) PayOwed();
    if (waiting_.rows) Settle();
    return Base() + start_;
  }
  // Drawing put off until the pixels are next looked at (the GDI's calls on a back
  // buffer, kept until its next copy): `pay` runs once, before the next access through
  // data().
  void Owe(std::function<void()> pay, const void* by) {
    owed_ = std::move(pay);
    owed_by_ = by;
  }
  bool Owing() const { return bool(owed_); }
  const void* OwedBy() const { return owed_ ? owed_by_ : nullptr; }
  // Takes the debt without paying it: for the one who will draw what it owes its own
  // way (a copy that draws only the parts it needs).
  std::function<void()> TakeOwed() {
    std::function<void()> f = std::move(owed_);
    owed_ = nullptr;
    return f;
  }
  void PayOwed() const {
    std::function<void()> f = std::move(owed_);
    owed_ = nullptr;
    f();
  }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  uint32_t& operator[](size_t i) { return data()[i]; }
  const uint32_t& operator[](size_t i) const { return data()[i]; }
  iterator begin() { return data(); }
  iterator end() { return data() + size_; }
  const_iterator begin() const { return data(); }
  const_iterator end() const { return data() + size_; }
  operator std::vector<uint32_t>() const { return {begin(), end()}; }

  friend bool operator==(const PixelStore& a, const PixelStore& b) {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
  }
  friend bool operator==(const PixelStore& a, const std::vector<uint32_t>& b) {
    return a.size_ == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }

 private:
  friend struct Surface;
  // Rows [first, first + rows) of the block still to take the pixels of the rows starting
  // at buffer offset from; the copy goes bottom row first when down is set.
  struct Waiting {
    size_t first = 0, rows = 0, from = 0, width = 0;
    bool down = false;
  };
  // Makes the waiting copy, all but columns [x0, x1) of rows [y0, y1) (none: x0 >= x1).
  void Settle(size_t x0 = 0, size_t y0 = 0, size_t x1 = 0, size_t y1 = 0) const;
  // Makes the waiting copy of columns [x0, x1) only; the others are given up.
  void SettleColumns(size_t x0, size_t x1);

  uint32_t* Base() const { return ring_ ? ring_ : buffer_.data(); }
  // Where the system can map memory twice back to back (Linux), the pixels live in a
  // ring of at least `pixels` so mapped: the block stays contiguous wherever it starts,
  // so slides never run out of spare rows. False where there is no such ring.
  bool MakeRing(size_t pixels);
  void FreeRing();

  mutable PixelBuffer buffer_;
  size_t start_ = 0;  // where the block begins in buffer_ (or the ring), in pixels
  size_t size_ = 0;
  mutable Waiting waiting_;
  uint32_t* ring_ = nullptr;  // the ring's first mapping; the second follows it
  size_t ring_pixels_ = 0;    // one mapping's length
  mutable std::function<void()> owed_;
  const void* owed_by_ = nullptr;  // who put the drawing off, to tell it from others
};

// Whether surfaces may keep their pixels in a ring (PixelStore::MakeRing); off to test
// the spare rows used where there is none.
extern bool pixel_rings;

// A pixel surface: row-major, 32 bits a pixel, 0x00RRGGBB.
struct Surface {
  int width = 0;
  int height = 0;
  PixelStore pixels;
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
  // Takes the size w x h with pixels of no particular value, reusing the block when it
  // is large enough: for a scratch surface about to be painted over.
  void Reshape(int w, int h);
  // Moves rows [top, bottom) of the whole width by dy rows (into the surface), leaving
  // the other rows as they were: a copy from the surface onto itself. For moves of most
  // of the rows it costs about |dy| rows rather than all of them. Does not bump version.
  void MoveRows(int top, int bottom, int dy);
  // The caller is about to paint over columns [x0, x1) of rows [y0, y1), all of them: a
  // copy still waiting for those pixels (after MoveRows) may leave them out. Drawing
  // still owed goes first, as it may move the rows that copy fills.
  void WillFill(int x0, int y0, int x1, int y1) {
    if (pixels.owed_) pixels.PayOwed();
    if (pixels.waiting_.rows && x0 < x1 && y0 < y1 && x0 >= 0 && y0 >= 0)
      pixels.Settle(size_t(x0), size_t(y0), size_t(x1), size_t(y1));
  }
  // Of the rows a move left waiting (after MoveRows), only columns [x0, x1) are wanted:
  // the caller paints or writes all the others. Those are copied now, the rest never.
  void KeepColumns(int x0, int x1) {
    if (pixels.owed_) pixels.PayOwed();
    if (pixels.waiting_.rows)
      pixels.SettleColumns(size_t(std::max(x0, 0)), size_t(std::max(x1, 0)));
  }
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

// Where two rows of n pixels differ: the columns [*x0, *x1) from the first differing
// one to the last; false when the rows are alike. Rows that differ are walked several
// pixels at a time from either end (four with SSE2, two elsewhere, as in the browser),
// which for a short change in a wide row costs far less than narrowing it down with
// calls to memcmp.
inline bool DifferingColumns(const uint32_t* a, const uint32_t* b, size_t n, size_t* x0,
                             size_t* x1) {
  if (n == 0 || std::memcmp(a, b, n * sizeof(uint32_t)) == 0) return false;
  size_t i = 0, j = n;
#if defined(__SSE2__)
  // A bit mask of the bytes that differ in four pixels.
  auto differ = [](const uint32_t* p, const uint32_t* q) {
    const __m128i same = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)));
    return unsigned(~_mm_movemask_epi8(same)) & 0xFFFFu;
  };
  for (; i + 4 <= n; i += 4) {
    if (const unsigned d = differ(a + i, b + i)) {
      i += unsigned(__builtin_ctz(d)) / 4;
      break;
    }
  }
  for (; j >= i + 4; j -= 4) {
    if (const unsigned d = differ(a + j - 4, b + j - 4)) {
      j = j - 4 + unsigned(31 - __builtin_clz(d)) / 4 + 1;
      break;
    }
  }
#else
  auto same = [](const uint32_t* p, const uint32_t* q) {
    uint64_t u, v;
    std::memcpy(&u, p, sizeof u);
    std::memcpy(&v, q, sizeof v);
    return u == v;
  };
  while (i + 2 <= n && same(a + i, b + i)) i += 2;
  while (j >= i + 2 && same(a + j - 2, b + j - 2)) j -= 2;
#endif
  while (a[i] == b[i]) ++i;
  while (a[j - 1] == b[j - 1]) --j;
  *x0 = i;
  *x1 = j;
  return true;
}

inline uint32_t ColorToPixel(COLORREF c) {
  return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF PixelToColor(uint32_t p) {
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

}  // namespace platform
