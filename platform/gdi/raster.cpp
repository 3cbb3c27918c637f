// Rectangles, ellipses and lines, pixel for pixel as Windows draws them. Every shape is
// produced row by row over the rows of the surface it can touch, so coordinates far
// outside the surface cost nothing and nothing overflows (positions are 64-bit).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "gdi.h"

namespace platform {

void FillSurfaceRect(Surface& s, const RECT& r, COLORREF colour) {
  int64_t l = std::max<int64_t>(r.left, 0), t = std::max<int64_t>(r.top, 0);
  int64_t rr = std::min<int64_t>(r.right, s.width), b = std::min<int64_t>(r.bottom, s.height);
  if (l >= rr || t >= b) return;
  s.WillFill(int(l), int(t), int(rr), int(b));
  uint32_t p = ColorToPixel(colour);
  for (int64_t y = t; y < b; ++y) {
    uint32_t* row = s.pixels.data() + size_t(y) * size_t(s.width);
    gdi::FillPixels(row + l, size_t(rr - l), p);
  }
  ++s.version;
}

}  // namespace platform

using namespace platform;
using namespace platform::gdi;

namespace {

using i64 = int64_t;
using i128 = __int128;

// What a drawing call paints with, resolved once per call.
struct Paint {
  DC* d = nullptr;
  Surface* s = nullptr;
  bool pen = false;  // false for PS_NULL
  int width = 1;     // pen width, at least 1
  uint32_t pen_px = 0;
  bool brush = false;
  uint32_t brush_px = 0;
};

bool Resolve(HDC hdc, Paint* p) {
  DC* d = LookupDC(hdc);
  if (!d || !d->surface) return false;
  p->d = d;
  p->s = d->surface.get();
  Pen* pen = LookupPen(d->pen);
  if (pen && pen->style != PS_NULL) {
    p->pen = true;
    p->width = std::max(pen->width, 1);
    p->pen_px = DevicePixel(*d, pen->color);
  }
  Brush* brush = LookupBrush(d->brush);
  if (brush && !brush->null) {
    p->brush = true;
    p->brush_px = DevicePixel(*d, brush->color);
  }
  return true;
}

// Fills columns x0..x1 (inclusive) of row y, clipped.
inline void Span(Surface& s, i64 y, i64 x0, i64 x1, uint32_t px) {
  if (y < 0 || y >= s.height) return;
  x0 = std::max<i64>(x0, 0);
  x1 = std::min<i64>(x1, s.width - 1);
  if (x0 > x1) return;
  uint32_t* row = s.pixels.data() + size_t(y) * size_t(s.width);
  FillPixels(row + x0, size_t(x1 - x0 + 1), px);
}

// Fills columns l..r of rows t..b (inclusive), clipped.
inline void Box(Surface& s, i64 l, i64 t, i64 r, i64 b, uint32_t px) {
  l = std::max<i64>(l, 0);
  r = std::min<i64>(r, s.width - 1);
  t = std::max<i64>(t, 0);
  b = std::min<i64>(b, s.height - 1);
  if (l > r || t > b) return;
  s.WillFill(int(l), int(t), int(r + 1), int(b + 1));
  size_t n = size_t(r - l + 1), stride = size_t(s.width);
  uint32_t* first = s.pixels.data() + size_t(t) * stride + size_t(l);
  if (n == stride) {  // whole rows: one run
    FillPixels(first, n * size_t(b - t + 1), px);
    return;
  }
  for (i64 y = t; y <= b; ++y) FillPixels(first + size_t(y - t) * stride, n, px);
}

// ---- Ellipse outlines -------------------------------------------------------------
// The ellipse through the centres of the box's first and last columns and rows, in
// doubled coordinates around its centre (X = 2x - (l + r - 1)), so half-pixel centres
// stay integers. F(X, Y) = X^2 b^2 + Y^2 a^2 - a^2 b^2. Circles: a pixel is on the
// outline when a midpoint walk of the curve would visit it: for each column on the flat
// part, the row nearest the curve; for each row on the steep part, the column nearest
// the curve. Other ellipses (up to kWalkLimit across) follow Walk() below; the filled
// shape is every row's outermost pixel and what lies between, the outline its pixels
// with an unfilled neighbour beside, above or below.
class EllipseRows {
 public:
  EllipseRows(i64 l, i64 t, i64 r, i64 b) : l_(l), t_(t), r_(r), b_(b) {
    a_ = r - l - 1;
    b2_ = b - t - 1;
    exact_ = a_ < (i64(1) << 30) && b2_ < (i64(1) << 30);
    if (a_ != b2_ && a_ > 0 && b2_ > 0 && a_ < kWalkLimit && b2_ < kWalkLimit) Walk();
  }
  // Row y's outline on the left half: columns outer..inner (outer <= inner). False when
  // the row has no outline pixel.
  bool Row(i64 y, i64* outer, i64* inner) const {
    i64 Y = 2 * y - (t_ + b_ - 1);
    if (Y < 0) Y = -Y;
    if (Y > b2_) return false;
    if (!reach_.empty()) return WalkedRow(Y, outer, inner);
    i64 lo = INT64_MAX, hi = INT64_MIN;  // doubled X of outline pixels in this row
    // Flat part: columns whose nearest row is Y: F(X, Y-1) < 0 <= F(X, Y+1).
    i64 x_hi = MaxInside(Y - 1);
    i64 x_lo = MaxInside(Y + 1);
    i64 first = x_lo == kNone ? Smallest() : x_lo + 2;
    for (i64 X = first; x_hi != kNone && X <= x_hi; X += 2) {
      if (!Flat(X, Y)) break;
      lo = std::min(lo, X);
      hi = std::max(hi, X);
      // Only the two ends matter; jump to the last column still on the flat part.
      i64 last = LastFlat(Y, x_hi);
      if (last >= X) {
        hi = std::max(hi, last);
      }
      break;
    }
    // Steep part: the smallest column X with F(X + 1, Y) >= 0.
    i64 m = MaxInside(Y, true);
    i64 X = m == kNone ? Smallest() : m + 1;
    if (X < Smallest()) X = Smallest();
    if (!Flat(X, Y)) {
      lo = std::min(lo, X);
      hi = std::max(hi, X);
    }
    if (lo == INT64_MAX) return false;
    *outer = (l_ + r_ - 1 - hi) / 2;
    *inner = (l_ + r_ - 1 - lo) / 2;
    return true;
  }

 private:
  static constexpr i64 kNone = INT64_MIN;
  i64 Smallest() const { return a_ & 1; }
  // X <= a and the gradient says the curve is flatter than 45 degrees there.
  bool Flat(i64 X, i64 Y) const {
    if (exact_) return i128(X) * b2_ * b2_ < i128(Y) * a_ * a_;
    return (long double)X * b2_ * b2_ < (long double)Y * a_ * a_;
  }
  bool Inside(i64 X, i64 Y) const {  // F(X, Y) < 0
    if (exact_) {
      i128 A2 = i128(a_) * a_, B2 = i128(b2_) * b2_;
      return i128(X) * X * B2 + i128(Y) * Y * A2 < A2 * B2;
    }
    long double A = a_, B = b2_, x = X / A, yv = Y / B;
    return x * x + yv * yv < 1.0L;
  }
  // Largest X >= 0 of the grid's parity (or the other parity with off_grid) with
  // F(X, Y) < 0; kNone when there is none.
  i64 MaxInside(i64 Y, bool off_grid = false) const {
    i64 parity = off_grid ? ((a_ + 1) & 1) : (a_ & 1);
    if (a_ <= 0 || b2_ <= 0) return kNone;
    long double yy = (long double)Y / b2_;
    long double q = 1.0L - yy * yy;
    if (q < 0) q = 0;
    i64 X = i64(std::floor((long double)a_ * std::sqrt(q)));
    if ((X & 1) != parity) --X;
    while (Inside(X + 2, Y)) X += 2;
    while (X >= 0 && !Inside(X, Y)) X -= 2;
    if (X < 0) {
      // Parity -1 mirrors +1; treat as absent unless the mirrored column is inside.
      return (X == -1 && Inside(1, Y)) ? -1 : kNone;
    }
    return X;
  }
  // The last grid X in [.., x_hi] still on the flat part of row Y.
  i64 LastFlat(i64 Y, i64 x_hi) const {
    // X * b^2 < Y * a^2  <=>  X < Y a^2 / b^2.
    i64 X;
    if (exact_) {
      i128 num = i128(Y) * a_ * a_, den = i128(b2_) * b2_;
      i128 q = den == 0 ? i128(x_hi) : (num - 1) / den;
      X = q > x_hi ? x_hi : i64(q);
    } else {
      long double q = (long double)Y * a_ * a_ / ((long double)b2_ * b2_);
      X = q > (long double)x_hi ? x_hi : i64(std::ceil(q) - 1);
    }
    if ((X & 1) != (a_ & 1)) --X;
    while (X > Smallest() && !Flat(X, Y)) X -= 2;
    return X;
  }

  // Ellipses that are not circles: the quadrant is walked from the end of the
  // horizontal semi-axis (X = a, lowest row) towards the top. On the steep part each row
  // steps in one column when that leaves the smaller |F| (an exact tie steps in when the
  // pixel is outside; stepping in past the centre column ends the walk). The walk turns
  // to the flat part at the first point where the next column in has a smaller |F| on
  // the same row than one row up; there each column goes one row up when that leaves
  // the smaller or equal |F|. Every row keeps its outermost pixel: the filled shape.
  static constexpr i64 kWalkLimit = i64(1) << 17;
  i128 F(i64 X, i64 Y) const {
    i128 A2 = i128(a_) * a_, B2 = i128(b2_) * b2_;
    return i128(X) * X * B2 + i128(Y) * Y * A2 - A2 * B2;
  }
  static i128 Abs(i128 v) { return v < 0 ? -v : v; }
  i64 Empty() const { return Smallest() - 2; }
  void Walk() {
    const i64 xmin = Smallest(), ymin = b2_ & 1;
    reach_.assign(size_t((b2_ - ymin) / 2 + 1), Empty());
    auto keep = [&](i64 X, i64 Y) {
      i64& e = reach_[size_t((Y - ymin) / 2)];
      e = std::max(e, X);
    };
    auto turns = [&](i64 X, i64 Y) { return Abs(F(X - 2, Y)) < Abs(F(X - 2, Y + 2)); };
    i64 X = a_, Y = ymin;
    keep(X, Y);
    bool flat = turns(X, Y);
    for (;;) {
      if (!flat) {
        if (Y >= b2_) break;
        Y += 2;
        i128 here = F(X, Y), in = Abs(F(X - 2, Y));
        if (in < Abs(here) || (in == Abs(here) && here > 0)) X -= 2;
        if (X < xmin) break;
        keep(X, Y);
        flat = turns(X, Y);
      } else {
        if (X <= xmin) break;
        X -= 2;
        if (Y + 2 <= b2_ && Abs(F(X, Y + 2)) <= Abs(F(X, Y))) Y += 2;
        keep(X, Y);
      }
    }
  }
  // A walked row: its outermost pixel, and in to the last pixel that has no filled
  // pixel both above and below it.
  bool WalkedRow(i64 Y, i64* outer, i64* inner) const {
    size_t i = size_t((Y - (b2_ & 1)) / 2);
    i64 e = reach_[i];
    if (e < Smallest()) return false;
    i64 up = i + 1 < reach_.size() ? reach_[i + 1] : Empty();
    i64 down = Y >= 2 ? reach_[i - 1] : (Y == 0 ? up : e);
    i64 in = std::min(std::max(std::min(up, down) + 2, Smallest()), e);
    *outer = (l_ + r_ - 1 - e) / 2;
    *inner = (l_ + r_ - 1 - in) / 2;
    return true;
  }

  i64 l_, t_, r_, b_;
  i64 a_, b2_;
  bool exact_;
  std::vector<i64> reach_;  // per row (lowest first), the walked outermost X
};

// ---- Rectangles ---------------------------------------------------------------------
// A filled disc the size of a wide pen, centred on (cx, cy) the way the pen is.
void Disc(Surface& s, i64 cx, i64 cy, int w, uint32_t px) {
  i64 l = cx - w / 2, t = cy - w / 2, r = l + w, b = t + w;
  if (w <= 2) {
    Box(s, l, t, r - 1, b - 1, px);
    return;
  }
  EllipseRows e(l, t, r, b);
  for (i64 y = std::max<i64>(t, 0); y < std::min<i64>(b, s.height); ++y) {
    i64 outer, inner;
    if (e.Row(y, &outer, &inner)) Span(s, y, outer, l + r - 1 - outer, px);
  }
}

// One edge of a parallelogram, from (ex1, ey1) down to (ex2, ey2), walked over rows
// [top, bottom): it crosses the current row at x + rem / rise (0 <= rem < rise), and the
// pixels inside start at x + (rem != 0), rounded up. The next row adds run / rise the same
// way: exact, with an addition per row rather than a division.
struct EdgeWalk {
  i64 top = 0, bottom = 0, x = 0, rem = 0, rise = 1, step = 0, step_rem = 0;

  // The edge from (ex1, ey1) to (ex2, ey2), ey1 < ey2, from row y on (y >= ey1).
  EdgeWalk(i64 ex1, i64 ey1, i64 ex2, i64 ey2, i64 y) : top(y), bottom(ey2), rise(ey2 - ey1) {
    const i64 run = ex2 - ex1;
    // floor division, the remainder made non-negative; in 64 bits where it fits
    auto divide = [&](i128 num, i64* q, i64* r) {
      if (num == i128(i64(num))) {
        *q = i64(num) / rise, *r = i64(num) % rise;
      } else {
        *q = i64(num / rise), *r = i64(num % rise);
      }
      if (*r < 0) *r += rise, --*q;
    };
    divide(i128(y - ey1) * run, &x, &rem);
    x += ex1;
    divide(run, &step, &step_rem);
  }
  i64 X() const { return x + (rem != 0); }
  void Next() {
    x += step;
    rem += step_rem;
    if (rem >= rise) rem -= rise, ++x;
  }
};

// The rows of a parallelogram with whole-number corners, from row ylo down: Next gives
// each row's pixels lo <= x < hi, those whose top-left corner it contains (an edge's left
// side and upper end counting as inside), or false when the row has none.
class QuadWalk {
 public:
  QuadWalk(const i64 qx[4], const i64 qy[4], i64 ylo) : y_(ylo) {
    for (int e = 0; e < 4; ++e) {
      i64 ex1 = qx[e], ey1 = qy[e], ex2 = qx[(e + 1) % 4], ey2 = qy[(e + 1) % 4];
      if (ey1 == ey2) continue;
      if (ey1 > ey2) {
        std::swap(ex1, ex2);
        std::swap(ey1, ey2);
      }
      if (ey2 > ylo) edges_[e].emplace(ex1, ey1, ex2, ey2, std::max(ylo, ey1));
    }
  }
  bool Next(i64* lo_out, i64* hi_out) {
    i64 lo = 0, hi = 0;
    int n = 0;
    for (std::optional<EdgeWalk>& e : edges_) {
      if (!e || y_ < e->top || y_ >= e->bottom) continue;
      const i64 x = e->X();
      lo = n ? std::min(lo, x) : x;
      hi = n ? std::max(hi, x) : x;
      ++n;
      e->Next();
    }
    ++y_;
    if (n < 2) return false;
    *lo_out = lo;
    *hi_out = hi;
    return true;
  }

 private:
  std::optional<EdgeWalk> edges_[4];
  i64 y_;
};

// The boxes, corners inclusive, that a rectangle with no pen or a one-pixel pen is made
// of, handed to fill in the order they are drawn; false (and none) for wider pens.
template <class Fill>
bool RectangleBoxes(i64 l, i64 t, i64 r, i64 b, bool pen, int width, bool brush, uint32_t pen_px,
                    uint32_t brush_px, Fill fill) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (!pen) {
    // Without a pen the fill stops one pixel short on the right and bottom.
    if (brush) fill(l, t, r - 2, b - 2, brush_px);
    return true;
  }
  if (width != 1) return false;
  if (l == r || t == b) return true;
  // The outline path runs through the first and last columns and rows.
  const i64 x0 = l, y0 = t, x1 = r - 1, y1 = b - 1;
  if (x0 == x1 && y0 == y1) return true;
  if (brush) fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, brush_px);
  fill(x0, y0, x1, y0, pen_px);
  fill(x0, y1, x1, y1, pen_px);
  fill(x0, y0, x0, y1, pen_px);
  fill(x1, y0, x1, y1, pen_px);
  return true;
}

void DrawRectangle(const Paint& p, i64 l, i64 t, i64 r, i64 b) {
  Surface& s = *p.s;
  if (RectangleBoxes(
          l, t, r, b, p.pen, p.width, p.brush, p.pen_px, p.brush_px,
          [&](i64 x0, i64 y0, i64 x1, i64 y1, uint32_t px) { Box(s, x0, y0, x1, y1, px); }))
    return;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (l == r || t == b) return;
  i64 x0 = l, y0 = t, x1 = r - 1, y1 = b - 1;
  int w = p.width;
  i64 before = w / 2, after = (w - 1) / 2;  // an even width's extra pixel goes up/left
  if (p.brush) Box(s, x0 + after + 1, y0 + after + 1, x1 - before - 1, y1 - before - 1, p.brush_px);
  Box(s, x0, y0 - before, x1, y0 + after, p.pen_px);
  Box(s, x0, y1 - before, x1, y1 + after, p.pen_px);
  Box(s, x0 - before, y0, x0 + after, y1, p.pen_px);
  Box(s, x1 - before, y0, x1 + after, y1, p.pen_px);
  Disc(s, x0, y0, w, p.pen_px);
  Disc(s, x1, y0, w, p.pen_px);
  Disc(s, x0, y1, w, p.pen_px);
  Disc(s, x1, y1, w, p.pen_px);
}

// ---- Ellipses -----------------------------------------------------------------------
void DrawEllipseDirect(const Paint& p, i64 l, i64 t, i64 r, i64 b) {
  Surface& s = *p.s;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (r - l <= 2 || b - t <= 2) {
    DrawRectangle(p, l, t, r, b);
    return;
  }
  if (!p.pen) {
    // Without a pen the brush covers what a thin pen and the brush would.
    if (!p.brush) return;
    Paint fill = p;
    fill.pen = true;
    fill.width = 1;
    fill.pen_px = p.brush_px;
    DrawEllipseDirect(fill, l, t, r, b);
    return;
  }
  int w = p.width;
  EllipseRows e(l, t, r, b);
  i64 ylo = std::max<i64>(t - w, 0), yhi = std::min<i64>(b + w, s.height);
  if (w == 1) {
    for (i64 y = ylo; y < yhi; ++y) {
      i64 outer, inner;
      if (!e.Row(y, &outer, &inner)) continue;
      i64 mirror = l + r - 1;
      if (p.brush) Span(s, y, inner + 1, mirror - inner - 1, p.brush_px);
      Span(s, y, outer, inner, p.pen_px);
      Span(s, y, mirror - inner, mirror - outer, p.pen_px);
    }
    return;
  }
  // Wide pens: the thin outline taken as a path from pixel to pixel and stroked like a
  // wide line: the pen's disc on every outline pixel, and a wide line along each
  // diagonal step (one with neither pixel between its ends on the outline). The brush
  // covers the thin outline's inside, under the pen.
  if (w <= 256) {
    void WideQuad(i64 x0, i64 y0, i64 x1, i64 y1, int w, i64 qx[4], i64 qy[4]);
    // The disc's span on row dy relative to its centre, dy in [dtop, dtop + w).
    const i64 dtop = -(w / 2);
    EllipseRows disc(dtop, dtop, dtop + w, dtop + w);
    i64 dlo[256], dhi[256];
    bool dok[256];
    for (int k = 0; k < w; ++k) {
      i64 o, in;
      dok[k] = w <= 2 || disc.Row(dtop + k, &o, &in);
      dlo[k] = w <= 2 ? dtop : o;
      dhi[k] = w <= 2 ? dtop + w - 1 : dtop + dtop + w - 1 - o;
    }
    auto disc_row = [&](i64 dy, i64* lo, i64* hi) -> bool {
      *lo = dlo[dy - dtop];
      *hi = dhi[dy - dtop];
      return dok[dy - dtop];
    };
    // The outline's rows, each worked out once: a row and its mirror below the centre
    // are alike, and the brush and the stroke both ask for them.
    struct CachedRow {
      signed char state = -1;  // -1 unknown, 0 no outline pixel, 1 known
      i64 o = 0, in = 0;
    };
    std::vector<CachedRow> cache(b - t <= 4096 ? size_t((b - t) / 2 + 1) : 0);
    auto row = [&](i64 yy, i64* o, i64* in) -> bool {
      if (cache.empty()) return e.Row(yy, o, in);
      i64 Y = 2 * yy - (t + b - 1);
      if (Y < 0) Y = -Y;
      size_t k = size_t(Y / 2);
      if (k >= cache.size()) return e.Row(yy, o, in);
      CachedRow& c = cache[k];
      if (c.state < 0) c.state = e.Row(yy, &c.o, &c.in) ? 1 : 0;
      *o = c.o;
      *in = c.in;
      return c.state == 1;
    };
    // Row yy of the thin outline: up to two spans [a, b].
    i64 mirror = l + r - 1;
    auto spans = [&](i64 yy, i64 a[2], i64 b[2]) -> int {
      i64 o, in;
      if (!row(yy, &o, &in)) return 0;
      a[0] = o;
      b[0] = in;
      a[1] = mirror - in;
      b[1] = mirror - o;
      return 2;
    };
    auto on = [&](i64 x, int n, const i64 a[2], const i64 b[2]) {
      for (int k = 0; k < n; ++k)
        if (x >= a[k] && x <= b[k]) return true;
      return false;
    };
    if (p.brush) {
      for (i64 y = std::max<i64>(t, 0); y < std::min<i64>(b, s.height); ++y) {
        i64 o, in;
        if (row(y, &o, &in)) Span(s, y, in + 1, mirror - in - 1, p.brush_px);
      }
    }
    // Outline rows whose discs or steps can reach the surface.
    i64 y0 = std::max<i64>(t, -i64(w) - 1), y1 = std::min<i64>(b - 1, s.height + i64(w));
    // A diagonal step's wide line from (0, 0) to (sx, 1) is the same shape wherever it
    // lies: its parallelogram's rows, relative, worked out once for each direction.
    struct StepRows {
      i64 top = 0;
      int n = 0;
      i64 lo[264], hi[264];
      bool ok[264];
    } step[2];
    for (int j = 0; j < 2; ++j) {
      i64 qx[4], qy[4];
      WideQuad(0, 0, j ? 1 : -1, 1, w, qx, qy);
      i64 top = std::min({qy[0], qy[1], qy[2], qy[3]});
      i64 bottom = std::max({qy[0], qy[1], qy[2], qy[3]});
      step[j].top = top;
      step[j].n = int(std::min<i64>(bottom - top, 264));
      QuadWalk rows(qx, qy, top);
      for (int k = 0; k < step[j].n; ++k) step[j].ok[k] = rows.Next(&step[j].lo[k], &step[j].hi[k]);
    }
    auto disc_at = [&](i64 x, i64 yy) {
      for (i64 dy = dtop; dy < dtop + w; ++dy) {
        i64 y = yy + dy, lo, hi;
        if (y < 0 || y >= s.height || !disc_row(dy, &lo, &hi)) continue;
        Span(s, y, x + lo, x + hi, p.pen_px);
      }
    };
    auto step_at = [&](i64 x, i64 yy, i64 sx) {
      disc_at(x, yy);
      disc_at(x + sx, yy + 1);
      const StepRows& st = step[sx > 0];
      for (int k = 0; k < st.n; ++k)
        if (st.ok[k]) Span(s, yy + st.top + k, x + st.lo[k], x + st.hi[k] - 1, p.pen_px);
    };
    i64 a2[2], b2[2];
    int n2 = y0 <= y1 ? spans(y0, a2, b2) : 0;
    for (i64 yy = y0; yy <= y1; ++yy) {
      i64 a[2] = {a2[0], a2[1]}, bb[2] = {b2[0], b2[1]};
      int n = n2;
      n2 = spans(yy + 1, a2, b2);
      if (!n) continue;
      for (i64 dy = dtop; dy < dtop + w; ++dy) {
        i64 y = yy + dy, lo, hi;
        if (y < 0 || y >= s.height || !disc_row(dy, &lo, &hi)) continue;
        for (int k = 0; k < n; ++k) Span(s, y, a[k] + lo, bb[k] + hi, p.pen_px);
      }
      if (!n2) continue;
      for (int k = 0; k < n; ++k) {
        // A diagonal step can only leave a span's end.
        const i64 ends[2] = {a[k], bb[k]};
        const int dirs[2] = {-1, 1};
        for (int j = 0; j < 2; ++j) {
          i64 x = ends[j], sx = dirs[j];
          if (on(x + sx, n, a, bb)) continue;
          if (!on(x + sx, n2, a2, b2) || on(x, n2, a2, b2)) continue;
          step_at(x, yy, sx);
        }
      }
    }
    return;
  }
  // Wider still: the ring between the outline grown and shrunk by the pen's half widths,
  // the odd pixel of an even width going up and left.
  i64 before = w / 2, after = (w - 1) / 2;
  i64 ol = l - before, ot = t - before, orr = r + after, ob = b + after;
  i64 il = l + after + 1, it = t + after + 1, ir = r - 1 - before, ib = b - 1 - before;
  EllipseRows outer_e(ol, ot, orr, ob);
  bool has_inner = ir - il > 2 && ib - it > 2;
  EllipseRows inner_e(il, it, ir, ib);
  for (i64 y = ylo; y < yhi; ++y) {
    i64 oo, oi;
    if (!outer_e.Row(y, &oo, &oi)) continue;
    i64 mo = ol + orr - 1 - oo;
    i64 io, ii;
    bool in = has_inner && inner_e.Row(y, &io, &ii);
    if (in) {
      i64 mi = il + ir - 1 - io;
      if (p.brush) Span(s, y, io, mi, p.brush_px);
      Span(s, y, oo, io - 1, p.pen_px);
      Span(s, y, mi + 1, mo, p.pen_px);
    } else {
      Span(s, y, oo, mo, p.pen_px);
    }
  }
}

// A program draws the same few ellipse sizes again and again, and an ellipse's pixels
// depend only on its box's size, the pen's width and whether there is a pen and a brush,
// never on where the box lies. So each such shape is drawn once, into a scratch
// surface in two marker colours, and kept as runs of pen and brush pixels per row;
// later calls lay the runs down at the box's place, clipped to the surface.
struct ShapeKey {
  i64 width, height;
  int pen_width;  // 0 without a pen
  bool brush;
  bool operator==(const ShapeKey& o) const {
    return width == o.width && height == o.height && pen_width == o.pen_width && brush == o.brush;
  }
};

struct ShapeRun {
  int32_t x0, x1;  // columns relative to the box's left edge, inclusive
  bool pen;
};

struct Shape {
  ShapeKey key{};
  i64 top = 0;                   // the first row's offset from the box's top
  std::vector<uint32_t> row_at;  // per row, its first run; one more entry at the end
  std::vector<ShapeRun> runs;
  uint64_t used = 0;
};

constexpr uint32_t kMarkBrush = 1, kMarkPen = 2;
// Shapes bigger than this are drawn directly: their scratch surface would cost more
// than the work it saves.
constexpr i64 kShapeMaxSide = 1024;
constexpr size_t kShapeSlots = 64;

// Large shapes are kept only when they come a second time: their scratch surface
// costs more than a fresh drawing, so one drawn once at each of many sizes (a
// growing circle) stays direct.
constexpr i64 kShapeKeepAtOnce = 256 * 256;
constexpr size_t kSeenSlots = 16;

struct ShapeCache {
  std::vector<Shape> shapes;
  ShapeKey seen[kSeenSlots] = {};
  size_t next_seen = 0;
  uint64_t clock = 0;
  bool enabled = true;
  ShapeCacheStats stats;
};

ShapeCache& Shapes() {
  static ShapeCache cache;
  return cache;
}

// Draws the shape into a scratch surface with a margin the pen cannot cross, and reads
// back its runs. False when something reached the margin's edge (then nothing is kept).
bool BuildShape(const ShapeKey& key, Shape* out) {
  const i64 margin = i64(key.pen_width) + 4;
  const i64 sw = key.width + 2 * margin, sh = key.height + 2 * margin;
  Surface scratch(int(sw), int(sh), 0);
  Paint p;
  p.s = &scratch;
  p.pen = key.pen_width > 0;
  p.width = std::max(key.pen_width, 1);
  p.pen_px = kMarkPen;
  p.brush = key.brush;
  p.brush_px = key.brush && !p.pen ? kMarkPen : kMarkBrush;
  DrawEllipseDirect(p, margin, margin, margin + key.width, margin + key.height);
  const uint32_t* px = scratch.pixels.data();
  for (i64 x = 0; x < sw; ++x)
    if (px[x] || px[size_t(sh - 1) * size_t(sw) + size_t(x)]) return false;
  for (i64 y = 0; y < sh; ++y)
    if (px[size_t(y) * size_t(sw)] || px[size_t(y) * size_t(sw) + size_t(sw - 1)]) return false;
  out->key = key;
  out->runs.clear();
  out->row_at.clear();
  i64 first = -1, last = -1;
  for (i64 y = 0; y < sh; ++y) {
    const uint32_t* row = px + size_t(y) * size_t(sw);
    bool any = false;
    for (i64 x = 0; x < sw && !any; ++x) any = row[x] != 0;
    if (!any) continue;
    if (first < 0) first = y;
    last = y;
  }
  out->top = first < 0 ? 0 : first - margin;
  for (i64 y = first; first >= 0 && y <= last; ++y) {
    const uint32_t* row = px + size_t(y) * size_t(sw);
    out->row_at.push_back(uint32_t(out->runs.size()));
    for (i64 x = 0; x < sw;) {
      uint32_t v = row[x];
      i64 end = x + 1;
      while (end < sw && row[end] == v) ++end;
      if (v)
        out->runs.push_back(
            ShapeRun{int32_t(x - margin), int32_t(end - 1 - margin), v == kMarkPen});
      x = end;
    }
  }
  out->row_at.push_back(uint32_t(out->runs.size()));
  return true;
}

const Shape* FindShape(const ShapeKey& key) {
  ShapeCache& c = Shapes();
  ++c.clock;
  for (Shape& sh : c.shapes) {
    if (sh.key == key) {
      sh.used = c.clock;
      ++c.stats.hits;
      return &sh;
    }
  }
  if (key.width * key.height > kShapeKeepAtOnce) {
    bool again = false;
    for (const ShapeKey& k : c.seen) again = again || k == key;
    if (!again) {
      c.seen[c.next_seen++ % kSeenSlots] = key;
      return nullptr;
    }
  }
  Shape made;
  if (!BuildShape(key, &made)) return nullptr;
  ++c.stats.builds;
  made.used = c.clock;
  if (c.shapes.size() < kShapeSlots) {
    c.shapes.push_back(std::move(made));
    return &c.shapes.back();
  }
  // Full: the shape used longest ago makes way.
  Shape* oldest = &c.shapes[0];
  for (Shape& sh : c.shapes)
    if (sh.used < oldest->used) oldest = &sh;
  *oldest = std::move(made);
  return oldest;
}

void DrawEllipse(const Paint& p, i64 l, i64 t, i64 r, i64 b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (!p.pen && !p.brush) return;
  const ShapeKey key{r - l, b - t, p.pen ? p.width : 0, p.brush};
  const Shape* shape = nullptr;
  if (Shapes().enabled && key.width <= kShapeMaxSide && key.height <= kShapeMaxSide &&
      key.pen_width <= 256)
    shape = FindShape(key);
  if (!shape) {
    DrawEllipseDirect(p, l, t, r, b);
    return;
  }
  Surface& s = *p.s;
  const size_t rows = shape->row_at.size() - 1;
  const i64 y0 = t + shape->top;
  const i64 from = std::max<i64>(0, -y0), to = std::min<i64>(i64(rows), s.height - y0);
  const uint32_t pen_px = p.pen ? p.pen_px : p.brush_px;
  const bool inside = l >= 0 && l + key.width + i64(key.pen_width) + 4 <= s.width &&
                      l - i64(key.pen_width) - 4 >= 0;
  for (i64 k = from; k < to; ++k) {
    const i64 y = y0 + k;
    uint32_t* row = s.pixels.data() + size_t(y) * size_t(s.width);
    for (uint32_t j = shape->row_at[size_t(k)]; j < shape->row_at[size_t(k) + 1]; ++j) {
      const ShapeRun& run = shape->runs[j];
      const uint32_t px = run.pen ? pen_px : p.brush_px;
      if (inside) {
        FillPixels(row + (l + run.x0), size_t(run.x1 - run.x0 + 1), px);
      } else {
        Span(s, y, l + run.x0, l + run.x1, px);
      }
    }
  }
}

// ---- Lines --------------------------------------------------------------------------
// Width 1: one pixel per step of the major axis, the end point left out; an exact tie
// goes to the smaller minor coordinate whichever way the line is drawn.
void ThinLine(Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, uint32_t px) {
  i64 dx = x1 - x0, dy = y1 - y0;
  i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (adx == 0 && ady == 0) return;
  bool xmajor = adx >= ady;
  i64 n = xmajor ? adx : ady;    // pixels drawn: steps 0..n-1
  i64 minor = xmajor ? dy : dx;  // signed minor extent
  i64 sign = (xmajor ? dx : dy) < 0 ? -1 : 1;
  // Minor offset at step i: ceil((2 * minor * i - n) / (2n)), ties rounding down.
  auto offset = [&](i64 i) -> i64 {
    i128 num = i128(2) * minor * i - n, den = i128(2) * n;
    i128 q = num / den;
    if (num % den != 0 && num > 0) ++q;
    return i64(q);
  };
  // Only the steps whose major coordinate is on the surface.
  i64 lim = xmajor ? s.width : s.height;
  i64 start = xmajor ? x0 : y0;
  i64 i0 = 0, i1 = n - 1;
  if (sign > 0) {
    i0 = std::max<i64>(i0, -start);
    i1 = std::min<i64>(i1, lim - 1 - start);
  } else {
    i0 = std::max<i64>(i0, start - (lim - 1));
    i1 = std::min<i64>(i1, start);
  }
  for (i64 i = i0; i <= i1; ++i) {
    i64 major = start + sign * i;
    i64 m = (xmajor ? y0 : x0) + offset(i);
    i64 x = xmajor ? major : m, y = xmajor ? m : major;
    if (x >= 0 && y >= 0 && x < s.width && y < s.height)
      s.pixels[size_t(y) * size_t(s.width) + size_t(x)] = px;
  }
}

// Wider pens: round caps (the pen-sized disc) at both ends joined by a parallelogram
// with whole-number corners, which covers the pixels whose top-left corner it contains
// (an edge's left side and upper end count as inside). The corners sit the pen's half
// width either side of the line along its normal u = (dy, -dx) * w / (2 |d|), taken with
// u.x > 0 (or u.x == 0 and u.y > 0): on that side each component is rounded away from
// zero, on the other side to the nearest whole number, halves going up. A slanted line
// whose half width lands exactly on a whole or half number counts as a hair longer.
// All rounding is exact in integers.
// The parallelogram's corners for a line of width w from (x0, y0) to (x1, y1), distinct.
void WideQuad(i64 x0, i64 y0, i64 x1, i64 y1, int w, i64 qx[4], i64 qy[4]) {
  i64 dx = x1 - x0, dy = y1 - y0;
  i64 nx = dy, ny = -dx;  // the normal, pointing to the side rounded away from zero
  if (nx < 0 || (nx == 0 && ny < 0)) {
    nx = -nx;
    ny = -ny;
  }
  const bool slanted = dx != 0 && dy != 0;
  const double len = std::hypot(double(dx), double(dy));
  // m(a) = a * w / (2 |d|), the size of a normal component a; compared exactly through
  // squares: 2k |d| against a w is (2k)^2 |d|^2 against (a w)^2.
  const bool exact = w <= (1 << 20);
  const i128 d2 = i128(dx) * dx + i128(dy) * dy;
  // sign of (t |d| - a w) for t >= 0, with a w taken a hair larger on slanted lines.
  auto cmp = [&](i64 t, i64 a) -> int {
    i128 l = i128(t) * t * d2, r = i128(a) * a * w * w;
    if (l != r) return l < r ? -1 : 1;
    return slanted ? -1 : 0;
  };
  auto guess = [&](i64 a) { return i64(std::floor(double(a) * w / (2 * len))); };
  // Smallest k >= 0 with k >= m(a) (rounded away from zero).
  auto up = [&](i64 a) -> i64 {
    if (a == 0) return 0;
    i64 k = std::max<i64>(guess(a) - 1, 0);
    if (!exact) return guess(a) + 1;
    while (cmp(2 * k, a) < 0) ++k;
    return k;
  };
  // floor(m(a) + 1/2): the largest k >= 0 with 2k - 1 <= 2 m(a).
  auto near_up = [&](i64 a) -> i64 {
    if (a == 0) return 0;
    if (!exact) return i64(std::floor(double(a) * w / (2 * len) + 0.5));
    i64 k = guess(a) + 2;
    while (k > 0 && cmp(2 * k - 1, a) > 0) --k;
    return k;
  };
  // -floor(-m(a) + 1/2): the smallest k >= 0 with 2k + 1 >= 2 m(a).
  auto near_down = [&](i64 a) -> i64 {
    if (a == 0) return 0;
    if (!exact) return i64(std::ceil(double(a) * w / (2 * len) - 0.5));
    i64 k = std::max<i64>(guess(a) - 1, 0);
    while (cmp(2 * k + 1, a) < 0) ++k;
    return k;
  };
  i64 anx = nx < 0 ? -nx : nx, any = ny < 0 ? -ny : ny;
  // Away side: +n rounded away from zero. Other side: -n rounded to nearest.
  i64 ax = up(anx), ay = ny < 0 ? -up(any) : up(any);
  i64 bx = -near_down(anx);  // -n.x <= 0
  i64 by = ny > 0 ? -near_down(any) : near_up(any);
  qx[0] = x0 + ax, qx[1] = x1 + ax, qx[2] = x1 + bx, qx[3] = x0 + bx;
  qy[0] = y0 + ay, qy[1] = y1 + ay, qy[2] = y1 + by, qy[3] = y0 + by;
}

void WideLine(Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, int w, uint32_t px) {
  Disc(s, x0, y0, w, px);
  Disc(s, x1, y1, w, px);
  if (x0 == x1 && y0 == y1) return;
  i64 qx[4], qy[4];
  WideQuad(x0, y0, x1, y1, w, qx, qy);
  i64 top = std::min({qy[0], qy[1], qy[2], qy[3]});
  i64 bottom = std::max({qy[0], qy[1], qy[2], qy[3]});
  i64 ylo = std::max<i64>(top, 0), yhi = std::min<i64>(bottom - 1, s.height - 1);
  if (ylo > yhi) return;
  QuadWalk rows(qx, qy, ylo);
  for (i64 y = ylo; y <= yhi; ++y) {
    i64 lo, hi;
    if (rows.Next(&lo, &hi)) Span(s, y, lo, hi - 1, px);
  }
}

// The call for the draw log: its coordinates (boxes put in order; a line's ends as
// given) and a reach that holds all it can draw, the pen's width and a pixel more
// beyond them.
DrawCall Called(DrawCall::Kind kind, const Paint& p, i64 x0, i64 y0, i64 x1, i64 y1) {
  DrawCall c;
  c.kind = kind;
  if (kind != DrawCall::kLine) {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
  }
  c.x0 = x0, c.y0 = y0, c.x1 = x1, c.y1 = y1;
  c.pen = p.pen, c.brush = p.brush;
  c.pen_width = p.pen ? p.width : 0;
  c.pen_px = p.pen ? p.pen_px : 0;
  c.brush_px = p.brush ? p.brush_px : 0;
  const i64 m = i64(c.pen_width) + 1;
  c.l = std::min(x0, x1) - m, c.t = std::min(y0, y1) - m;
  c.r = std::max(x0, x1) + m + 1, c.b = std::max(y0, y1) + m + 1;
  return c;
}

void Log(const Paint& p, uint64_t before, DrawCall&& call, bool drawn) {
  if (!p.d->memory && drawn) return;
  ClipToSurface(call, *p.s);
  LogDrawCall(*p.d, before, std::move(call), drawn);
}
}  // namespace

namespace platform::gdi {

void ReplayShape(Surface& s, const DrawCall& c) {
  Paint p;
  p.s = &s;
  p.pen = c.pen;
  p.width = std::max(c.pen_width, 1);
  p.pen_px = c.pen_px;
  p.brush = c.brush;
  p.brush_px = c.brush_px;
  switch (c.kind) {
    case DrawCall::kRectangle:
      DrawRectangle(p, c.x0, c.y0, c.x1, c.y1);
      break;
    case DrawCall::kEllipse:
      DrawEllipse(p, c.x0, c.y0, c.x1, c.y1);
      break;
    case DrawCall::kLine:
      if (!p.pen) break;
      if (p.width <= 1)
        ThinLine(s, c.x0, c.y0, c.x1, c.y1, p.pen_px);
      else
        WideLine(s, c.x0, c.y0, c.x1, c.y1, p.width, p.pen_px);
      break;
    case DrawCall::kFill:
      Box(s, c.x0, c.y0, c.x1 - 1, c.y1 - 1, c.brush_px);
      break;
    case DrawCall::kText:
      break;
  }
}

bool MadeOfBoxes(const DrawCall& c) {
  return c.kind == DrawCall::kFill || (c.kind == DrawCall::kRectangle && c.pen_width <= 1);
}

void ReplayBoxesWithin(Surface& s, const DrawCall& c, i64 l, i64 t, i64 r, i64 b) {
  auto fill = [&](i64 x0, i64 y0, i64 x1, i64 y1, uint32_t px) {
    Box(s, std::max(x0, l), std::max(y0, t), std::min(x1, r - 1), std::min(y1, b - 1), px);
  };
  if (c.kind == DrawCall::kFill)
    fill(c.x0, c.y0, c.x1 - 1, c.y1 - 1, c.brush_px);
  else if (c.kind == DrawCall::kRectangle)
    RectangleBoxes(c.x0, c.y0, c.x1, c.y1, c.pen, std::max(c.pen_width, 1), c.brush, c.pen_px,
                   c.brush_px, fill);
}

void SetShapeCacheEnabled(bool on) {
  Shapes().enabled = on;
  if (!on) Shapes().shapes.clear();
}

ShapeCacheStats GetShapeCacheStats() { return Shapes().stats; }

}  // namespace platform::gdi

extern "C" {

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  Paint p;
  if (!Resolve(hdc, &p)) return FALSE;
  const uint64_t before = p.s->version;
  const bool now = DrawNow(*p.d);
  if (now) DrawRectangle(p, left, top, right, bottom);
  ++p.s->version;
  if (p.d->memory || !now) {
    DrawCall call = Called(DrawCall::kRectangle, p, left, top, right, bottom);
    if (!p.pen) {
      // The fill alone, a pixel short on the right and bottom: exactly what it sets.
      call.l = call.cl = call.x0, call.t = call.ct = call.y0;
      call.r = call.cr = call.x1 - 1, call.b = call.cb = call.y1 - 1;
      if (!p.brush || call.l >= call.r || call.t >= call.b)
        call.l = call.t = call.r = call.b = call.cl = call.ct = call.cr = call.cb = 0;
    } else if (p.brush) {
      // The pen or the brush sets every pixel inside the outline.
      call.cl = call.x0 + 1, call.ct = call.y0 + 1, call.cr = call.x1 - 1, call.cb = call.y1 - 1;
    }
    Log(p, before, std::move(call), now);
  }
  return TRUE;
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  Paint p;
  if (!Resolve(hdc, &p)) return FALSE;
  const uint64_t before = p.s->version;
  const bool now = DrawNow(*p.d);
  if (now) DrawEllipse(p, left, top, right, bottom);
  ++p.s->version;
  Log(p, before, Called(DrawCall::kEllipse, p, left, top, right, bottom), now);
  return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
  Paint p;
  if (!Resolve(hdc, &p)) return FALSE;
  const uint64_t before = p.s->version;
  DC* d = p.d;
  POINT from = d->pos;
  d->pos = POINT{x, y};
  const bool now = DrawNow(*d);
  if (now && p.pen) {
    if (p.width <= 1)
      ThinLine(*p.s, from.x, from.y, x, y, p.pen_px);
    else
      WideLine(*p.s, from.x, from.y, x, y, p.width, p.pen_px);
  }
  ++p.s->version;
  Log(p, before, Called(DrawCall::kLine, p, from.x, from.y, x, y), now);
  return TRUE;
}

}  // extern "C"
