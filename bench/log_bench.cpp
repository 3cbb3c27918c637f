// The message log's cost per line: the window scrolls up by a line, the new bottom line
// is cleared and its text drawn, with the same GDI calls the runtime makes. Against a
// memset of the log window's pixels and the same line with a scroll rectangle one pixel
// narrower, which moves every pixel.
// Run by hand: ./log_bench
#include <benchmark/benchmark.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "gdi/gdi.h"

namespace {

// The log window on a 1024 x 768 screen: a third of the height, less the frame.
constexpr int kWidth = 1016, kHeight = 232;

struct LogWindow {
  platform::SurfacePtr surface = std::make_shared<platform::Surface>(kWidth, kHeight);
  HDC dc = platform::CreateSurfaceDC(surface, nullptr);
  ~LogWindow() { platform::DestroySurfaceDC(dc); }
};

// One line as the log appends it; narrow scrolls all but the rightmost column.
void AppendLine(HDC dc, const char* text, bool narrow) {
  HGDIOBJ previous_font = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  int line_height = metrics.tmHeight + metrics.tmExternalLeading;
  RECT most = {0, 0, kWidth - 1, kHeight};
  ScrollDC(dc, 0, -line_height, narrow ? &most : nullptr, nullptr, nullptr, nullptr);
  HBRUSH brush = CreateSolidBrush(GetBkColor(dc));
  HGDIOBJ previous_brush = SelectObject(dc, brush);
  HGDIOBJ previous_pen = SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, 0, kHeight - line_height, kWidth, kHeight + 1);
  SelectObject(dc, previous_pen);
  SelectObject(dc, previous_brush);
  DeleteObject(brush);
  TextOutA(dc, 5, kHeight - line_height, text, int(std::strlen(text)));
  SelectObject(dc, previous_font);
}

void LogLines(benchmark::State& state, bool narrow) {
  LogWindow w;
  char text[64];
  int i = 0;
  for (auto _ : state) {
    std::snprintf(text, sizeof text, "Red circle at (%d,%d), radius 25", i % 600, i % 400);
    AppendLine(w.dc, text, narrow);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_LogLine(benchmark::State& state) { LogLines(state, false); }
BENCHMARK(BM_LogLine);

void BM_LogLineEveryPixelMoved(benchmark::State& state) { LogLines(state, true); }
BENCHMARK(BM_LogLineEveryPixelMoved);

// A frame of the garden with logging on: about 150 lines, then the window's pixels are
// looked at once, as its present does. (A window keeps the lines it scrolls until then,
// so BM_LogLine alone mostly measures keeping them.)
void BM_LogFrame(benchmark::State& state) {
  LogWindow w;
  char text[64];
  int i = 0;
  for (auto _ : state) {
    for (int k = 0; k < 150; ++k, ++i) {
      std::snprintf(text, sizeof text, "Red circle at (%d,%d), radius 25", i % 600, i % 400);
      AppendLine(w.dc, text, false);
    }
    benchmark::DoNotOptimize(w.surface->pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * 150);
}
BENCHMARK(BM_LogFrame);

// The parts of a line alone.
void BM_LogScrollOnly(benchmark::State& state) {
  LogWindow w;
  for (auto _ : state) ScrollDC(w.dc, 0, -13, nullptr, nullptr, nullptr, nullptr);
}
BENCHMARK(BM_LogScrollOnly);

void BM_LogClearOnly(benchmark::State& state) {
  LogWindow w;
  HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
  SelectObject(w.dc, brush);
  SelectObject(w.dc, GetStockObject(NULL_PEN));
  for (auto _ : state) Rectangle(w.dc, 0, kHeight - 13, kWidth, kHeight + 1);
  SelectObject(w.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}
BENCHMARK(BM_LogClearOnly);

void BM_LogTextOnly(benchmark::State& state) {
  LogWindow w;
  SelectObject(w.dc, GetStockObject(ANSI_FIXED_FONT));
  const char text[] = "Red circle at (123,45), radius 25";
  for (auto _ : state) TextOutA(w.dc, 5, kHeight - 13, text, int(sizeof text - 1));
}
BENCHMARK(BM_LogTextOnly);

void BM_LogWindowMemset(benchmark::State& state) {
  LogWindow w;
  int v = 0;
  for (auto _ : state) {
    std::memset(w.surface->pixels.data(), ++v & 0xFF, w.surface->pixels.size() * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_LogWindowMemset);

}  // namespace

BENCHMARK_MAIN();
