// The calls a memory DC drew since its last copy out, and what they say about which
// pixels of the next copy can have changed.
//
// Why a pixel that no differing call reaches holds what it held at the last copy: the
// calls that reach it are the same, in the same order, as in the last picture. Pens,
// brushes and solid text set pixels outright, so the last of them to reach the pixel
// decides it, as it did before. Only smoothed text mixes with what lies underneath; it
// is safe where the picture's first call painted over everything first (as a sky or a
// cleared background does), since then what lies underneath is itself the same, and
// elsewhere its reach is counted as changed.
//
// The same reasoning lets a back buffer that is redrawn and copied out frame after frame
// put its calls off: at the copy they are drawn only where they can change something,
// over the last picture's pixels, which elsewhere are already right. Anything else that
// looks at or changes the pixels first has them all drawn (PixelStore's owed drawing).
#include <algorithm>
#include <climits>
#include <cstring>

#include "gdi.h"

namespace platform::gdi {

// The state kept per memory DC.
struct DrawLog {
  std::weak_ptr<Surface> surface;  // what the calls drew on
  uint64_t version = 0;            // the surface's version after the last change logged
  bool unbroken = false;           // every change since the last copy out is in calls
  std::vector<DrawCall> calls;     // since the last copy out
  std::vector<DrawCall> previous;  // the ones before it: the picture the destination holds
  // Calls [0, drawn) are in the pixels; the rest are put off (owed to the pixels).
  size_t drawn = 0;
  bool deferring = false;  // calls are put off: this picture began after an in-step copy
  // The last copy out, when the calls before it were all logged.
  bool copied = false;
  std::weak_ptr<Surface> to;
  uint64_t to_version = 0;  // the destination's version right after the copy
  int64_t fl = 0, ft = 0, fr = 0, fb = 0, ox = 0, oy = 0;
};

namespace {

// A program that draws on a memory DC and never copies it out would grow the log
// without end: past this many calls it is given up until the next copy.
constexpr size_t kMostCalls = 1 << 14;

CopyStats g_copy_stats;

}  // namespace

bool DrawCall::operator==(const DrawCall& o) const {
  return kind == o.kind && x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1 && pen == o.pen &&
         brush == o.brush && pen_width == o.pen_width && pen_px == o.pen_px &&
         brush_px == o.brush_px && text == o.text && font == o.font && text_px == o.text_px &&
         bk_px == o.bk_px && bk_mode == o.bk_mode && l == o.l && t == o.t && r == o.r && b == o.b &&
         blends == o.blends && cl == o.cl && ct == o.ct && cr == o.cr && cb == o.cb;
}

void ClipToSurface(DrawCall& call, const Surface& s) {
  auto clip = [&](int64_t& l, int64_t& t, int64_t& r, int64_t& b) {
    l = std::max<int64_t>(l, 0), t = std::max<int64_t>(t, 0);
    r = std::min<int64_t>(r, s.width), b = std::min<int64_t>(b, s.height);
    if (l >= r || t >= b) l = t = r = b = 0;
  };
  clip(call.l, call.t, call.r, call.b);
  clip(call.cl, call.ct, call.cr, call.cb);
}

namespace {

// The log of the DC's surface: a fresh one when the DC draws on another surface now (the
// old one may still be owed to the old surface's pixels).
DrawLog& LogOf(DC& dc) {
  if (!dc.log || !SameSurface(dc.log->surface, dc.surface)) {
    dc.log = std::make_shared<DrawLog>();
    dc.log->surface = dc.surface;
  }
  return *dc.log;
}

// Draws the calls put off, in order, over the whole surface: the pixels become what
// drawing each call at once would have made them. The rest of the picture is drawn as
// it comes.
void DrawAllOwed(DrawLog& g) {
  std::shared_ptr<Surface> s = g.surface.lock();
  if (s) {
    for (size_t i = g.drawn; i < g.calls.size(); ++i) {
      if (g.calls[i].kind == DrawCall::kText)
        ReplayText(*s, g.calls[i]);
      else
        ReplayShape(*s, g.calls[i]);
    }
  }
  g.drawn = g.calls.size();
  g.deferring = false;
}

}  // namespace

bool DrawNow(DC& dc) {
  if (!dc.surface) return true;
  if (!dc.memory) return !KeepsWindowDrawing(dc);
  if (dc.log && SameSurface(dc.log->surface, dc.surface) && dc.log->deferring && dc.log->unbroken &&
      dc.log->version == dc.surface->version && dc.log->calls.size() < kMostCalls)
    return false;
  // Whatever was put off goes first.
  if (dc.surface->pixels.Owing()) dc.surface->pixels.PayOwed();
  return true;
}

void LogDrawCall(DC& dc, uint64_t version_before, DrawCall&& call, bool drawn) {
  if (!dc.surface) return;
  if (!dc.memory) {
    if (!drawn) KeepWindowCall(dc, std::move(call));
    return;
  }
  DrawLog& g = LogOf(dc);
  if (g.unbroken && (g.version != version_before || g.calls.size() >= kMostCalls)) {
    // Only calls drawn at once come here then (DrawNow said so).
    g.unbroken = false;
    g.calls.clear();
    g.drawn = 0;
  }
  if (!g.unbroken) return;
  g.calls.push_back(std::move(call));
  g.version = dc.surface->version;
  if (drawn) {
    g.drawn = g.calls.size();
  } else if (!dc.surface->pixels.Owing()) {
    std::shared_ptr<DrawLog> log = dc.log;
    dc.surface->pixels.Owe([log] { DrawAllOwed(*log); }, log.get());
  }
}

void ForgetDrawLog(DC& dc) {
  if (!dc.log) return;
  if (dc.surface && dc.surface->pixels.Owing()) dc.surface->pixels.PayOwed();
  dc.log->unbroken = false;
  dc.log->deferring = false;
  dc.log->calls.clear();
  dc.log->drawn = 0;
}

void DrawOwed(DC& src_dc, const std::vector<int>* spans) {
  if (!src_dc.surface || !src_dc.surface->pixels.Owing()) return;
  DrawLog* g = src_dc.log.get();
  if (!spans || !g || g->drawn != 0 || g->calls.empty() || src_dc.surface->pixels.OwedBy() != g ||
      !SameSurface(g->surface, src_dc.surface) ||
      spans->size() != size_t(src_dc.surface->height) * 2) {
    src_dc.surface->pixels.PayOwed();
    return;
  }
  // Nothing drawn yet this picture, and outside the spans it comes out as the last one:
  // the calls are drawn into each stretch of changed rows only, in place where they can
  // be kept to it, else on a scratch surface of that size holding the pixels there
  // (calls moved with it), put back after.
  src_dc.surface->pixels.TakeOwed();
  ++g_copy_stats.partly;
  Surface& s = *src_dc.surface;
  static Surface scratch;
  const int64_t rows = s.height;
  int64_t y = 0;
  while (y < rows) {
    int x0 = (*spans)[size_t(y) * 2], x1 = (*spans)[size_t(y) * 2 + 1];
    int64_t y1 = y + 1;
    // A run of rows that changed becomes one stretch, as wide as all of them: few
    // stretches, each going through the calls once.
    while (x0 < x1 && y1 < rows && (*spans)[size_t(y1) * 2] < (*spans)[size_t(y1) * 2 + 1]) {
      x0 = std::min(x0, (*spans)[size_t(y1) * 2]);
      x1 = std::max(x1, (*spans)[size_t(y1) * 2 + 1]);
      ++y1;
    }
    // Rows that did not change at all go by together.
    while (x0 >= x1 && y1 < rows && (*spans)[size_t(y1) * 2] >= (*spans)[size_t(y1) * 2 + 1]) ++y1;
    if (x0 < x1) {
      const int w = x1 - x0, h = int(y1 - y);
      auto meets = [&](const DrawCall& c) {
        return c.l < c.r && c.r > x0 && c.l < x1 && c.b > y && c.t < y1;
      };
      // Where every call that meets the stretch lies inside it or is made of boxes (a
      // sky, a cleared background, a ground), they are drawn in place, the boxes cut to
      // the stretch: nothing falls outside it.
      const DrawCall& first = g->calls[g->drawn];
      const bool covers = first.cl <= x0 && first.ct <= y && first.cr >= x1 && first.cb >= y1;
      auto inside = [&](const DrawCall& c) {
        return c.l >= x0 && c.r <= x1 && c.t >= y && c.b <= y1;
      };
      bool in_place = true;
      for (size_t i = g->drawn; i < g->calls.size() && in_place; ++i) {
        const DrawCall& c = g->calls[i];
        in_place = !meets(c) || inside(c) || MadeOfBoxes(c);
      }
      if (in_place) {
        ++g_copy_stats.in_place;
        for (size_t i = g->drawn; i < g->calls.size(); ++i) {
          const DrawCall& c = g->calls[i];
          if (!meets(c)) continue;
          if (!inside(c))
            ReplayBoxesWithin(s, c, x0, y, x1, y1);
          else if (c.kind == DrawCall::kText)
            ReplayText(s, c);
          else
            ReplayShape(s, c);
        }
        y = y1;
        continue;
      }
      scratch.Reshape(w, h);
      // The pixels there go under the calls, unless the first paints over all of them.
      if (!covers)
        for (int r = 0; r < h; ++r)
          std::memcpy(scratch.pixels.data() + size_t(r) * size_t(w),
                      s.pixels.data() + size_t(y + r) * size_t(s.width) + size_t(x0),
                      size_t(w) * sizeof(uint32_t));
      for (size_t i = g->drawn; i < g->calls.size(); ++i) {
        const DrawCall& c = g->calls[i];
        if (!meets(c)) continue;
        DrawCall moved = c;
        moved.x0 -= x0, moved.x1 -= x0, moved.y0 -= y, moved.y1 -= y;
        if (c.kind == DrawCall::kText)
          ReplayText(scratch, moved);
        else
          ReplayShape(scratch, moved);
      }
      for (int r = 0; r < h; ++r)
        std::memcpy(s.pixels.data() + size_t(y + r) * size_t(s.width) + size_t(x0),
                    scratch.pixels.data() + size_t(r) * size_t(w), size_t(w) * sizeof(uint32_t));
    }
    y = y1;
  }
  g->drawn = g->calls.size();
  g->deferring = false;
}

int ChangedSinceCopy(const DC& src_dc, const SurfacePtr& dst, int64_t fl, int64_t ft, int64_t fr,
                     int64_t fb, int64_t ox, int64_t oy, std::vector<int>* spans) {
  const DrawLog* g = src_dc.log.get();
  const bool known = g && src_dc.surface && SameSurface(g->surface, src_dc.surface) &&
                     g->unbroken && g->version == src_dc.surface->version && g->copied &&
                     g->calls.size() == g->previous.size();
  const bool in_step = known && dst && SameSurface(g->to, dst) && dst->version == g->to_version &&
                       g->fl == fl && g->ft == ft && g->fr == fr && g->fb == fb && g->ox == ox &&
                       g->oy == oy;
  ++(in_step ? g_copy_stats.logged : g_copy_stats.whole);
  if (!known) return 0;
  const Surface& s = *src_dc.surface;
  spans->assign(size_t(s.height) * 2, 0);
  auto add = [&](int64_t l, int64_t t, int64_t r, int64_t b) {
    if (l >= r || t >= b) return;
    for (int64_t y = t; y < b; ++y) {
      int& x0 = (*spans)[size_t(y) * 2];
      int& x1 = (*spans)[size_t(y) * 2 + 1];
      if (x0 >= x1) {
        x0 = int(l), x1 = int(r);
      } else {
        x0 = std::min(x0, int(l)), x1 = std::max(x1, int(r));
      }
    }
  };
  // What the picture's first call painted over before anything else drew there.
  int64_t cl = 0, ct = 0, cr = 0, cb = 0;
  if (!g->calls.empty()) {
    const DrawCall& first = g->calls.front();
    cl = first.cl, ct = first.ct, cr = first.cr, cb = first.cb;
  }
  // The boxes are clipped to the surface already.
  for (size_t i = 0; i < g->calls.size(); ++i) {
    const DrawCall& now = g->calls[i];
    const DrawCall& before = g->previous[i];
    if (!(now == before)) {
      add(now.l, now.t, now.r, now.b);
      add(before.l, before.t, before.r, before.b);
    } else if (now.blends &&
               !(now.l >= cl && now.t >= ct && now.r <= cr && now.b <= cb && cl < cr)) {
      add(now.l, now.t, now.r, now.b);
    }
  }
  return in_step ? 2 : 1;
}

void NoteCopyOut(DC& src_dc, const SurfacePtr& dst, int64_t fl, int64_t ft, int64_t fr, int64_t fb,
                 int64_t ox, int64_t oy) {
  if (!src_dc.memory || !src_dc.surface) return;
  const bool same = src_dc.log && SameSurface(src_dc.log->surface, src_dc.surface);
  DrawLog& g = LogOf(src_dc);
  const bool complete =
      same && g.unbroken && g.version == src_dc.surface->version && g.drawn == g.calls.size();
  g.previous.swap(g.calls);
  g.calls.clear();
  g.drawn = 0;
  g.copied = complete;
  if (!complete) g.previous.clear();
  // The next picture is put off until its copy when this one was in step.
  g.deferring = complete;
  g.to = dst;
  g.to_version = dst->version;
  g.fl = fl, g.ft = ft, g.fr = fr, g.fb = fb, g.ox = ox, g.oy = oy;
  g.unbroken = true;
  g.version = src_dc.surface->version;
}

std::vector<DrawCall> LoggedCalls(HDC hdc) {
  const DC* d = LookupDC(hdc);
  if (!d || !d->log || !d->log->unbroken) return {};
  return d->log->calls;
}

CopyStats GetCopyStats() { return g_copy_stats; }

}  // namespace platform::gdi
