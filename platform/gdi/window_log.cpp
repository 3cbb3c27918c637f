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
// keep their pixels, so they take their own columns back too. Scrolls are all made
// (sliding rows costs little), but the rows they uncover are not filled in where nothing
// after looks at them.
#include <algorithm>
#include <map>

#include "gdi.h"

namespace platform::gdi {

namespace {

// One scroll or call, in order.
struct WindowOp {
  bool scroll = false;
  int dy = 0;     // scrolls: rows moved down (negative: up)
  DrawCall call;  // calls: as drawn
  // Worked out when drawn: whether the call matters; for scrolls, the columns of the
  // uncovered rows that nothing after looks at, [skip_l, skip_r).
  bool matters = true;
  int skip_l = 0, skip_r = 0;
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

void DrawKept(Surface& s, WindowLog& g) {
  const int w = s.width, h = s.height;
  std::vector<Run> after(size_t(std::max(h, 0)), Run{0, w}), before;
  int mattering = h;  // rows with columns that matter
  size_t first = g.ops.size();
  for (size_t i = g.ops.size(); i-- > 0 && mattering > 0;) {
    WindowOp& op = g.ops[i];
    first = i;
    if (op.scroll) {
      // Row y after the scroll came from y - dy, or stayed when nothing came to it.
      const int top = op.dy < 0 ? h + op.dy : 0, bottom = op.dy < 0 ? h : op.dy;
      int a = w, b = 0;
      for (int y = top; y < bottom; ++y)
        if (!after[size_t(y)].Empty())
          a = std::min(a, after[size_t(y)].a), b = std::max(b, after[size_t(y)].b);
      if (a >= b)
        op.skip_l = 0, op.skip_r = w;
      else if (a >= w - b)
        op.skip_l = 0, op.skip_r = a;
      else
        op.skip_l = b, op.skip_r = w;
      before.assign(size_t(h), Run{});
      for (int y = 0; y < h; ++y) {
        const int from = y - op.dy >= 0 && y - op.dy < h ? y - op.dy : y;
        before[size_t(from)].Add(after[size_t(y)].a, after[size_t(y)].b);
      }
      after.swap(before);
      mattering = 0;
      for (const Run& run : after) mattering += run.Empty() ? 0 : 1;
      continue;
    }
    const DrawCall& c = op.call;
    op.matters = false;
    for (int64_t y = c.t; y < c.b && !op.matters; ++y) {
      const Run& run = after[size_t(y)];
      op.matters = !run.Empty() && run.a < c.r && c.l < run.b;
    }
    if (!op.matters) continue;
    for (int64_t y = c.ct; y < c.cb && c.cl < c.cr; ++y) {
      Run& run = after[size_t(y)];
      if (run.Empty()) continue;
      if (c.cl <= run.a && run.b <= c.cr) {
        run = Run{};
        --mattering;
      } else if (c.cl <= run.a && run.a < c.cr) {
        run.a = int(c.cr);
      } else if (c.cl < run.b && run.b <= c.cr) {
        run.b = int(c.cl);
      }
    }
  }
  // What came before `first` leaves nothing that can be seen.
  for (size_t i = first; i < g.ops.size(); ++i) {
    const WindowOp& op = g.ops[i];
    if (op.scroll) {
      if (op.dy < 0)
        s.MoveRows(-op.dy, h, op.dy);
      else
        s.MoveRows(0, h - op.dy, op.dy);
      const int top = op.dy < 0 ? h + op.dy : 0, bottom = op.dy < 0 ? h : op.dy;
      s.WillFill(op.skip_l, top, op.skip_r, bottom);
    } else if (op.matters) {
      ++g_stats.drawn;
      if (op.call.kind == DrawCall::kText)
        ReplayText(s, op.call);
      else
        ReplayShape(s, op.call);
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
