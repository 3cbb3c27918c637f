// Drawing on a window put off behind a scroll of its whole client area.
//
// A window that scrolls everything up or down and draws into the rows it uncovered (a
// log, a terminal) may do so many times between two looks at its pixels, and by then
// most of what it drew has left the window. From such a scroll on, the window's surface
// keeps its scrolls and drawing calls rather than making them; when anything looks at or
// changes the pixels otherwise, the calls whose pixels can still be seen are drawn, the
// others never are.
//
// Which calls can be seen is worked out backwards from the end, row by row: a row holds
// the columns whose pixels still matter (one run; a run with gaps is kept whole). A call
// matters when its reach meets them; then the part of them it paints over whatever lay
// there no longer matters before it. (What smoothed text blends with matters before it
// exactly where the blended pixel matters after, so it changes nothing there.) A scroll
// moves each row's columns back to where they came from; the rows it uncovers
// keep their pixels, so they take their own columns back too. The scrolls from the first
// step that can be seen on are made (sliding rows costs little), but the rows they
// uncover are not filled in where nothing after looks at them.
//
// Columns at the sides that no call kept reaches (a line's background that stops a pixel
// short of the right edge leaves one) are moved by the scrolls alone, all of them: where
// each row's sides come from is followed through the scrolls, and they are read once
// before and written once after, rather than copied into the uncovered rows at every
// scroll, one scattered row at a time. Left out of the working backwards, they do not
// keep every step back to the last look in play.
#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "gdi.h"

namespace platform::gdi {

namespace {

// One scroll or call, in order.
struct WindowOp {
  bool scroll = false;
  int dy = 0;     // scrolls: rows moved down (negative: up)
  DrawCall call;  // calls: as drawn
  // Worked out when drawn: whether the call matters; for scrolls, the columns of the
  // uncovered rows that something after looks at, [keep_l, keep_r).
  bool matters = true;
  int keep_l = 0, keep_r = 0;
};

struct WindowLog {
  std::weak_ptr<Surface> surface;
  std::vector<WindowOp> ops;
};

WindowLogStats g_stats;

// Past this many kept steps the window is drawn and starts afresh at its next scroll.
constexpr size_t kMostOps = 1 << 14;

// The logs by surface; each is owed to its surface's pixels while it keeps anything.
std::map<const Surface*, std::shared_ptr<WindowLog>>& Logs() {
  static std::map<const Surface*, std::shared_ptr<WindowLog>> logs;
  return logs;
}

// The log keeping a surface's drawing now, or null.
WindowLog* Keeping(const Surface& s) {
  if (!s.pixels.Owing()) return nullptr;
  auto it = Logs().find(&s);
  if (it == Logs().end() || s.pixels.OwedBy() != it->second.get()) return nullptr;
  return it->second->ops.size() < kMostOps ? it->second.get() : nullptr;
}

// Columns [a, b) of a row that still matter; none when a >= b.
struct Run {
  int a = 0, b = 0;
  bool Empty() const { return a >= b; }
  void Add(int l, int r) {
    if (l >= r) return;
    if (Empty()) {
      a = l, b = r;
    } else {
      a = std::min(a, l), b = std::max(b, r);
    }
  }
};

// Every row's run, as a ring: a scroll turns it rather than moving every run.
class Rows {
 public:
  Rows(int h, Run all) : runs_(size_t(h), all), h_(h), mattering_(all.Empty() ? 0 : h) {}
  const Run& operator[](int64_t y) const { return runs_[Slot(y)]; }
  int Mattering() const { return mattering_; }
  // Columns of row y that no longer matter: [l, r) taken off the run where it reaches an
  // end of it or holds all of it.
  void Cut(int64_t y, int64_t l, int64_t r) {
    Run& run = runs_[Slot(y)];
    if (run.Empty()) return;
    if (l <= run.a && run.b <= r) {
      run = Run{};
      --mattering_;
    } else if (l <= run.a && run.a < r) {
      run.a = int(r);
    } else if (l < run.b && run.b <= r) {
      run.b = int(l);
    }
  }
  // From after a scroll by dy rows to before it: row y came from y - dy, and the rows
  // nothing came to (the |dy| rows the scroll uncovered) were there already.
  void Unscroll(int dy) {
    const int d = dy < 0 ? -dy : dy;
    // The uncovered rows, taken out before the turn.
    kept_.clear();
    for (int k = 0; k < d; ++k) {
      Run& run = runs_[Slot(dy < 0 ? h_ - d + k : k)];
      kept_.push_back(run);
      if (!run.Empty()) --mattering_;
      run = Run{};
    }
    // Row z before takes row z + dy after.
    o_ = int((int64_t(o_) + dy + h_) % h_);
    // Then back to the rows they were.
    for (int k = 0; k < d; ++k) {
      Run& run = runs_[Slot(dy < 0 ? h_ - d + k : k)];
      if (!kept_[size_t(k)].Empty()) {
        if (run.Empty()) ++mattering_;
        run.Add(kept_[size_t(k)].a, kept_[size_t(k)].b);
      }
    }
  }

 private:
  size_t Slot(int64_t y) const { return size_t((y + o_) % h_); }
  std::vector<Run> runs_;
  std::vector<Run> kept_;
  int h_ = 0, o_ = 0;
  int mattering_ = 0;
};

void DrawKept(Surface& s, WindowLog& g) {
  const int w = s.width, h = s.height;
  if (w <= 0 || h <= 0) {
    g.ops.clear();
    return;
  }
  // The columns any call kept reaches are [reach_l, reach_r); the ones beside them are
  // the sides, which only the scrolls move.
  int reach_l = w, reach_r = 0;
  bool scrolls = false;
  for (const WindowOp& op : g.ops) {
    scrolls = scrolls || op.scroll;
    if (op.scroll || op.call.l >= op.call.r) continue;
    reach_l = std::min<int>(reach_l, int(std::max<int64_t>(op.call.l, 0)));
    reach_r = std::max<int>(reach_r, int(std::min<int64_t>(op.call.r, w)));
  }
  if (reach_l >= reach_r) reach_l = reach_r = 0;  // nothing drawn: all of it is a side
  const int side_l = reach_l, side_r = w - reach_r, sides = side_l + side_r;
  const bool follow = scrolls && sides > 0;
  if (!follow) reach_l = 0, reach_r = w;

  // Which steps can be seen, from the last back; the sides are left out, so a log's lines
  // that cover the rest of their rows hide everything before them once they fill the
  // window.
  Rows rows(h, Run{reach_l, reach_r});  // after the step at hand: the columns that matter
  size_t first = g.ops.size();
  for (size_t i = g.ops.size(); i-- > 0 && rows.Mattering() > 0;) {
    WindowOp& op = g.ops[i];
    first = i;
    if (op.scroll) {
      // Of the rows it uncovers, only the columns something after looks at are kept.
      const int top = op.dy < 0 ? h + op.dy : 0, bottom = op.dy < 0 ? h : op.dy;
      Run keep;
      for (int y = top; y < bottom; ++y)
        if (!rows[y].Empty()) keep.Add(rows[y].a, rows[y].b);
      op.keep_l = keep.a, op.keep_r = keep.b;
      rows.Unscroll(op.dy);
      continue;
    }
    const DrawCall& c = op.call;
    op.matters = false;
    for (int64_t y = c.t; y < c.b && !op.matters; ++y)
      op.matters = !rows[y].Empty() && rows[y].a < c.r && c.l < rows[y].b;
    if (!op.matters) continue;
    for (int64_t y = c.ct; y < c.cb && c.cl < c.cr; ++y) rows.Cut(y, c.cl, c.cr);
  }

  // For each row, the row whose sides it holds after all the scrolls (those before
  // `first` too); and those sides as they are now, read only from the rows that end up
  // somewhere (after many scrolls, the few a scroll uncovers), since every row read
  // costs a look at memory of its own.
  std::vector<int> from;
  std::vector<uint32_t> side_px;
  if (follow) {
    from.resize(size_t(h));
    for (int y = 0; y < h; ++y) from[size_t(y)] = y;
    for (const WindowOp& op : g.ops) {
      if (!op.scroll) continue;
      // Row y takes row y - dy's sides; the rows uncovered keep their own.
      const int d = op.dy < 0 ? -op.dy : op.dy;
      if (op.dy < 0)
        std::memmove(from.data(), from.data() + d, size_t(h - d) * sizeof(int));
      else
        std::memmove(from.data() + d, from.data(), size_t(h - d) * sizeof(int));
    }
    std::vector<bool> read(size_t(h), false);
    side_px.resize(size_t(h) * size_t(sides));
    const uint32_t* p = s.pixels.data();
    for (int y : from) {
      if (read[size_t(y)]) continue;
      read[size_t(y)] = true;
      const uint32_t* row = p + size_t(y) * size_t(w);
      uint32_t* to = side_px.data() + size_t(y) * size_t(sides);
      std::copy(row, row + side_l, to);
      std::copy(row + reach_r, row + w, to + side_l);
    }
  }

  // What came before `first` leaves nothing that can be seen between the sides.
  for (size_t i = first; i < g.ops.size(); ++i) {
    const WindowOp& op = g.ops[i];
    if (op.scroll) {
      ++g_stats.made;
      if (op.dy < 0)
        s.MoveRows(-op.dy, h, op.dy);
      else
        s.MoveRows(0, h - op.dy, op.dy);
      s.KeepColumns(op.keep_l, op.keep_r);
    } else if (op.matters) {
      ++g_stats.drawn;
      if (op.call.kind == DrawCall::kText)
        ReplayText(s, op.call);
      else
        ReplayShape(s, op.call);
    }
  }
  if (follow) {
    uint32_t* p = s.pixels.data();
    for (int y = 0; y < h; ++y) {
      uint32_t* row = p + size_t(y) * size_t(w);
      const uint32_t* side = side_px.data() + size_t(from[size_t(y)]) * size_t(sides);
      std::copy(side, side + side_l, row);
      std::copy(side + side_l, side + sides, row + reach_r);
    }
  }
  g.ops.clear();
}

// Starts keeping the surface's drawing: it owes the log's to its pixels from now on.
WindowLog& StartKeeping(const SurfacePtr& surface) {
  auto& logs = Logs();
  // Logs of surfaces gone meanwhile go first.
  for (auto it = logs.begin(); it != logs.end();)
    it = it->second->surface.expired() ? logs.erase(it) : std::next(it);
  std::shared_ptr<WindowLog>& g = logs[surface.get()];
  if (!g || g->surface.lock() != surface) g = std::make_shared<WindowLog>();
  g->surface = surface;
  g->ops.clear();
  std::weak_ptr<WindowLog> weak = g;
  surface->pixels.Owe(
      [weak] {
        std::shared_ptr<WindowLog> log = weak.lock();
        if (!log) return;
        std::shared_ptr<Surface> s = log->surface.lock();
        if (s)
          DrawKept(*s, *log);
        else
          log->ops.clear();
      },
      g.get());
  return *g;
}

}  // namespace

bool KeepsWindowDrawing(const DC& dc) {
  return !dc.memory && dc.surface && Keeping(*dc.surface) != nullptr;
}

void KeepWindowCall(DC& dc, DrawCall&& call) {
  WindowLog* g = dc.surface ? Keeping(*dc.surface) : nullptr;
  if (!g) return;
  ++g_stats.calls;
  WindowOp op;
  op.call = std::move(call);
  g->ops.push_back(std::move(op));
}

bool KeepWindowScroll(DC& dc, int dy) {
  if (dc.memory || !dc.surface || dy == 0 || dy <= -dc.surface->height || dy >= dc.surface->height)
    return false;
  Surface& s = *dc.surface;
  WindowLog* g = Keeping(s);
  if (!g) {
    if (s.pixels.Owing()) s.pixels.PayOwed();
    g = &StartKeeping(dc.surface);
  }
  ++g_stats.scrolls;
  WindowOp op;
  op.scroll = true;
  op.dy = dy;
  g->ops.push_back(std::move(op));
  return true;
}

WindowLogStats GetWindowLogStats() { return g_stats; }

}  // namespace platform::gdi
