// The software GDI's hot paths as the runtime uses them: whole-buffer fills against a
// plain memset of the same bytes, a small wide-pen circle, lines, and the create/select/
// delete of a pen and brush that every primitive performs.
#include <benchmark/benchmark.h>

#include <cstring>

#include "gdi/gdi.h"

namespace {

constexpr int kW = 601, kH = 540;

struct Buffer {
  std::shared_ptr<platform::Surface> s = std::make_shared<platform::Surface>(kW, kH);
  HDC dc = platform::CreateSurfaceDC(s, nullptr);
  ~Buffer() { platform::DestroySurfaceDC(dc); }
};

void BM_RectangleFillWholeBuffer(benchmark::State& state) {
  Buffer b;
  HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));
  SelectObject(b.dc, brush);
  for (auto _ : state) {
    Rectangle(b.dc, 0, 0, kW, kH);
    benchmark::DoNotOptimize(b.s->pixels.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
  SelectObject(b.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}
BENCHMARK(BM_RectangleFillWholeBuffer);

void BM_MemsetWholeBuffer(benchmark::State& state) {
  std::vector<uint32_t> pixels(size_t(kW) * kH);
  int v = 0;
  for (auto _ : state) {
    std::memset(pixels.data(), ++v & 0xFF, pixels.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_MemsetWholeBuffer);

void BM_EllipseRadius25Width2(benchmark::State& state) {
  Buffer b;
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(200, 0, 0));
  SelectObject(b.dc, pen);
  SelectObject(b.dc, GetStockObject(NULL_BRUSH));
  for (auto _ : state) {
    Ellipse(b.dc, 300 - 25, 270 - 25, 300 + 26, 270 + 26);
    benchmark::DoNotOptimize(b.s->pixels.data());
  }
  SelectObject(b.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}
BENCHMARK(BM_EllipseRadius25Width2);

void BM_FilledCircleRadius25(benchmark::State& state) {
  Buffer b;
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 200));
  SelectObject(b.dc, brush);
  for (auto _ : state) {
    Ellipse(b.dc, 300 - 25, 270 - 25, 300 + 26, 270 + 26);
    benchmark::DoNotOptimize(b.s->pixels.data());
  }
  SelectObject(b.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}
BENCHMARK(BM_FilledCircleRadius25);

void BM_LineTo(benchmark::State& state) {
  Buffer b;
  HPEN pen = CreatePen(PS_SOLID, int(state.range(0)), RGB(0, 0, 0));
  SelectObject(b.dc, pen);
  for (auto _ : state) {
    MoveToEx(b.dc, 100, 100, nullptr);
    LineTo(b.dc, 400, 250);  // 300 pixels along x
    benchmark::DoNotOptimize(b.s->pixels.data());
  }
  SelectObject(b.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}
BENCHMARK(BM_LineTo)->Arg(1)->Arg(3);

void BM_CreateSelectDeletePenAndBrush(benchmark::State& state) {
  Buffer b;
  for (auto _ : state) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HGDIOBJ op = SelectObject(b.dc, pen), ob = SelectObject(b.dc, brush);
    SelectObject(b.dc, op);
    SelectObject(b.dc, ob);
    DeleteObject(pen);
    DeleteObject(brush);
  }
}
BENCHMARK(BM_CreateSelectDeletePenAndBrush);

}  // namespace

BENCHMARK_MAIN();
