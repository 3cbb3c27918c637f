// Text costs as the runtime pays them: every string creates, selects and deletes its font.
// Run by hand: ./text_bench
#include <benchmark/benchmark.h>
#include <windows.h>

#include <cstring>
#include <memory>

#include "gdi/gdi.h"

namespace {

const char kLine[] = "Red bugs: 12, green: 7, blue: 3 (ok)";  // 35 characters + NUL
static_assert(sizeof kLine - 1 >= 35);

struct Target {
  platform::SurfacePtr surface = std::make_shared<platform::Surface>(601, 540);
  HDC dc = platform::CreateSurfaceDC(surface, nullptr);
  ~Target() { platform::DestroySurfaceDC(dc); }
};

HFONT RuntimeFont(int ptsize) {
  return CreateFontA(-ptsize, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     "KX507-font");
}

// What the runtime's text record does for one line, after the face and size were used once.
void DrawLine(HDC dc, int ptsize, int x, int y, int length) {
  HFONT font = RuntimeFont(ptsize);
  HGDIOBJ old = SelectObject(dc, font);
  int mode = SetBkMode(dc, TRANSPARENT);
  SIZE sz;
  GetTextExtentPointA(dc, kLine, length, &sz);
  TextOutA(dc, x, y - sz.cy, kLine, length);
  SetBkMode(dc, mode);
  SelectObject(dc, old);
  DeleteObject(font);
}

void BM_RuntimeTextLine(benchmark::State& state) {
  Target t;
  int ptsize = int(state.range(0));
  DrawLine(t.dc, ptsize, 20, 100, 35);  // first use: face, size and glyphs
  int i = 0;
  for (auto _ : state) {
    DrawLine(t.dc, ptsize, 20 + (i & 7), 100 + (i & 15), 35);
    i++;
  }
  state.SetItemsProcessed(state.iterations() * 35);
}
BENCHMARK(BM_RuntimeTextLine)->Arg(12)->Arg(24)->Arg(48);

// The log window's line: the stock fixed font, opaque.
void BM_LogLine(benchmark::State& state) {
  Target t;
  HGDIOBJ old = SelectObject(t.dc, GetStockObject(ANSI_FIXED_FONT));
  TextOutA(t.dc, 5, 500, kLine, 35);
  for (auto _ : state) {
    TEXTMETRICA tm;
    GetTextMetricsA(t.dc, &tm);
    TextOutA(t.dc, 5, 540 - tm.tmHeight, kLine, 35);
  }
  SelectObject(t.dc, old);
}
BENCHMARK(BM_LogLine);

// Only the measuring half.
void BM_Extent(benchmark::State& state) {
  Target t;
  HFONT font = RuntimeFont(12);
  HGDIOBJ old = SelectObject(t.dc, font);
  SIZE sz;
  GetTextExtentPointA(t.dc, kLine, 35, &sz);
  for (auto _ : state) {
    GetTextExtentPointA(t.dc, kLine, 35, &sz);
    benchmark::DoNotOptimize(sz);
  }
  SelectObject(t.dc, old);
  DeleteObject(font);
}
BENCHMARK(BM_Extent);

}  // namespace

BENCHMARK_MAIN();
