// BitBlt, ScrollDC and FillRect: rectangles of pixels moved or filled, clipped to
// the surfaces involved.
#include <algorithm>
#include <cstring>
#include <vector>

#include "gdi.h"

using namespace platform;
using namespace platform::gdi;

namespace {

struct Box {
  int64_t l, t, r, b;
  bool Empty() const { return l >= r || t >= b; }
};

Box Intersect(Box a, Box b) {
  return {std::max(a.l, b.l), std::max(a.t, b.t), std::min(a.r, b.r), std::min(a.b, b.b)};
}

Box SurfaceBox(const Surface& s) { return {0, 0, s.width, s.height}; }

Box FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Copies the source box moved by (dx, dy) onto dst; src and dst may be one surface.
void CopyPixels(Surface& dst, const Surface& src, Box from, int64_t dx, int64_t dy) {
  int64_t w = from.r - from.l;
  if (w <= 0 || from.b <= from.t) return;
  // Whole rows on one surface: the surface moves them, most of them without copying.
  if (&dst == &src && dx == 0 && from.l == 0 && w == dst.width) {
    dst.MoveRows(int(from.t), int(from.b), int(dy));
    return;
  }
  auto row = [&](int64_t y) {
    const uint32_t* s = src.pixels.data() + size_t(y) * size_t(src.width) + size_t(from.l);
    uint32_t* d = dst.pixels.data() + size_t(y + dy) * size_t(dst.width) + size_t(from.l + dx);
    std::memmove(d, s, size_t(w) * sizeof(uint32_t));
  };
  // On one surface, walk rows away from the direction of the move so no source row is
  // overwritten before it is read; memmove handles the overlap within a row.
  if (&dst == &src && dy > 0) {
    for (int64_t y = from.b - 1; y >= from.t; --y) row(y);
  } else {
    for (int64_t y = from.t; y < from.b; ++y) row(y);
  }
}

}  // namespace

extern "C" {

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  DC* d = LookupDC(hdc);
  DC* s = LookupDC(hdcSrc);
  if (!d || !s || !d->surface || !s->surface || rop != SRCCOPY) return FALSE;
  int64_t dx0 = x, dy0 = y, sx0 = x1, sy0 = y1, w = cx, h = cy;
  // Both rectangles are normalised the same way, so negative extents do not mirror.
  // A negative extent runs back from the given column, which stays included.
  if (w < 0) {
    dx0 += w + 1;
    sx0 += w + 1;
    w = -w;
  }
  if (h < 0) {
    dy0 += h + 1;
    sy0 += h + 1;
    h = -h;
  }
  Surface& dst = *d->surface;
  const Surface& src = *s->surface;
  int64_t ox = dx0 - sx0, oy = dy0 - sy0;  // source -> destination
  Box from = Intersect({sx0, sy0, sx0 + w, sy0 + h}, SurfaceBox(src));
  Box to = Intersect({from.l + ox, from.t + oy, from.r + ox, from.b + oy}, SurfaceBox(dst));
  if (to.Empty()) return TRUE;
  from = {to.l - ox, to.t - oy, to.r - ox, to.b - oy};
  if (d->monochrome == s->monochrome && &dst != &src) {
    // Pixels that already hold the source's are left alone, so a window shown from a
    // back buffer is only told about the rows, and the columns in them, that changed.
    // When the source's draw log names the parts that can have changed since its last
    // copy here, only those are compared.
    int64_t top = to.b, bottom = to.t;
    static std::vector<int> spans, maybe;
    spans.assign(size_t(to.b - to.t) * 2, 0);
    const int known =
        ChangedSinceCopy(*s, d->surface, from.l, from.t, from.r, from.b, ox, oy, &maybe);
    DrawOwed(*s, known ? &maybe : nullptr);
    for (int64_t yy = from.t; yy < from.b; ++yy) {
      int64_t c0 = from.l, c1 = from.r;
      if (known == 2) {
        c0 = std::max<int64_t>(c0, maybe[size_t(yy) * 2]);
        c1 = std::min<int64_t>(c1, maybe[size_t(yy) * 2 + 1]);
        if (c0 >= c1) continue;
      }
      const uint32_t* sp = src.pixels.data() + size_t(yy) * size_t(src.width) + size_t(c0);
      uint32_t* dp = dst.pixels.data() + size_t(yy + oy) * size_t(dst.width) + size_t(c0 + ox);
      size_t x0, x1;
      if (!DifferingColumns(dp, sp, size_t(c1 - c0), &x0, &x1)) continue;
      std::memcpy(dp + x0, sp + x0, size_t(x1 - x0) * sizeof(uint32_t));
      spans[size_t(yy + oy - to.t) * 2] = int(c0 + ox + int64_t(x0));
      spans[size_t(yy + oy - to.t) * 2 + 1] = int(c0 + ox + int64_t(x1));
      top = std::min(top, yy + oy);
      bottom = std::max(bottom, yy + oy + 1);
    }
    dst.NoteSpans(int(top), int(bottom),
                  spans.data() + (top < bottom ? size_t(top - to.t) * 2 : 0));
    NoteCopyOut(*s, d->surface, from.l, from.t, from.r, from.b, ox, oy);
    return TRUE;
  } else if (d->monochrome == s->monochrome) {
    CopyPixels(dst, src, from, ox, oy);
  } else {
    // Monochrome to colour: black takes the text colour, white the background colour.
    // Colour to monochrome: the source's background colour becomes white, all else black.
    uint32_t fg = ColorToPixel(d->text_color), bg = ColorToPixel(d->bk_color);
    uint32_t key = ColorToPixel(s->bk_color);
    std::vector<uint32_t> line(size_t(from.r - from.l));
    for (int64_t yy = from.t; yy < from.b; ++yy) {
      const uint32_t* sp = src.pixels.data() + size_t(yy) * size_t(src.width) + size_t(from.l);
      for (size_t i = 0; i < line.size(); ++i) {
        if (s->monochrome)
          line[i] = sp[i] ? bg : fg;
        else
          line[i] = sp[i] == key ? 0xFFFFFF : 0x000000;
      }
      uint32_t* dp = dst.pixels.data() + size_t(yy + oy) * size_t(dst.width) + size_t(from.l + ox);
      std::copy(line.begin(), line.end(), dp);
    }
  }
  ++dst.version;
  return TRUE;
}

BOOL WINAPI ScrollDC(HDC hDC, int dx, int dy, const RECT* lprcScroll, const RECT* lprcClip,
                     HRGN hrgnUpdate, LPRECT lprcUpdate) {
  (void)hrgnUpdate;  // regions are not part of our GDI; callers pass null
  DC* d = LookupDC(hDC);
  if (!d || !d->surface) return FALSE;
  Surface& s = *d->surface;
  Box all = SurfaceBox(s);
  Box scroll = lprcScroll ? Intersect(FromRect(*lprcScroll), all) : all;
  // Pixels may land outside the scroll rectangle; only the clip rectangle bounds them.
  Box clip = lprcClip ? Intersect(FromRect(*lprcClip), all) : all;
  Box to = Intersect({scroll.l + dx, scroll.t + dy, scroll.r + dx, scroll.b + dy}, clip);
  if (!to.Empty()) {
    // A scroll of the whole window up or down may be kept with the drawing after it.
    const bool whole = dx == 0 && scroll.l == 0 && scroll.t == 0 && scroll.r == all.r &&
                       scroll.b == all.b && clip.l == 0 && clip.t == 0 && clip.r == all.r &&
                       clip.b == all.b;
    if (!whole || !KeepWindowScroll(*d, dy))
      CopyPixels(s, s, {to.l - dx, to.t - dy, to.r - dx, to.b - dy}, dx, dy);
    ++s.version;
  }
  if (lprcUpdate) {
    // The bounding box of what the caller must repaint: the scrolled area inside the
    // clip rectangle that nothing was moved into.
    Box area = Intersect(scroll, clip);
    Box u = area;
    Box cover = Intersect(to, area);
    if (area.Empty()) {
      u = {0, 0, 0, 0};
    } else if (!cover.Empty()) {
      bool full_w = cover.l == area.l && cover.r == area.r;
      bool full_h = cover.t == area.t && cover.b == area.b;
      if (full_w && full_h) {
        u = {0, 0, 0, 0};
      } else if (full_w && (cover.t == area.t || cover.b == area.b)) {
        u = cover.t > area.t ? Box{area.l, area.t, area.r, cover.t}
                             : Box{area.l, cover.b, area.r, area.b};
      } else if (full_h && (cover.l == area.l || cover.r == area.r)) {
        u = cover.l > area.l ? Box{area.l, area.t, cover.l, area.b}
                             : Box{cover.r, area.t, area.r, area.b};
      }
    }
    *lprcUpdate = RECT{LONG(u.l), LONG(u.t), LONG(u.r), LONG(u.b)};
  }
  return TRUE;
}

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  DC* d = LookupDC(hDC);
  if (!d || !lprc || !d->surface) return 0;
  Brush* b = LookupBrush(hbr);
  if (!b) return 0;
  if (b->null) return 1;
  Surface& s = *d->surface;
  Box box = Intersect(FromRect(*lprc), SurfaceBox(s));
  if (box.Empty()) return 1;
  const uint64_t before = s.version;
  uint32_t p = DevicePixel(*d, b->color);
  const bool now = DrawNow(*d);
  if (now) {
    s.WillFill(int(box.l), int(box.t), int(box.r), int(box.b));
    for (int64_t y = box.t; y < box.b; ++y) {
      uint32_t* row = s.pixels.data() + size_t(y) * size_t(s.width);
      FillPixels(row + box.l, size_t(box.r - box.l), p);
    }
  }
  ++s.version;
  if (d->memory || !now) {
    DrawCall call;
    call.kind = DrawCall::kFill;
    call.x0 = box.l, call.y0 = box.t, call.x1 = box.r, call.y1 = box.b;
    call.brush = true;
    call.brush_px = p;
    call.l = call.cl = box.l, call.t = call.ct = box.t, call.r = call.cr = box.r;
    call.b = call.cb = box.b;
    LogDrawCall(*d, before, std::move(call), now);
  }
  return 1;
}

}  // extern "C"
