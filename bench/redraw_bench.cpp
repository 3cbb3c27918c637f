// Full redraws of the garden on the headless host with logging off: one bug as at
// start-up, and nine bugs of all three sizes, some hopping, with the selector column
// shown; beside a memset of the 601 x 540 x 4-byte back buffer as the yardstick.
// Prints the ratio of each redraw to the memset. The redraws draw the same picture
// again and again; the frames are what the program does ten times a second: the bugs
// move a step, the scenery a frame, the garden is redrawn and copied to its window.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "garden.h"
#include "runtime_state.h"

namespace {

BugRecord bugs[BugCount];
ControlState control;
BugRecord one_bug[BugCount];
ControlState one_control;

void OpenGarden() {
  static bool open = false;
  if (open) return;
  open = true;
  setenv("PLATFORM_HOST", "headless", 1);
  setenv("PLATFORM_VIRTUAL_CLOCK", "1", 1);
  OpenRuntime(nullptr, nullptr, (LPSTR) "", SW_SHOWNORMAL);
  SetLogging(0);
  ClearWindow();
  SetUpBugs(bugs);
  control = ControlState{};
  control.last_bug = 8;
  control.controller_on = 1;
  control.selected = 4;
  control.frame_no = 200;  // night: the moon and its shadows are in the picture
  // Spread out along the ground, sizes 16, 20, 10 in turn, every third one hopping.
  for (int i = 0; i < BugCount; ++i) {
    bugs[i].x = 260 - 55 * i;
    if (i % 3 == 2) {
      bugs[i].hopping = 1;
      bugs[i].y = 20 + 10 * i;
    }
  }
  SetUpBugs(one_bug);
  one_control = ControlState{};
}

// Bug 1 alone, the selector column hidden: the picture of a fresh start.
void BM_FullRedraw(benchmark::State& state) {
  OpenGarden();
  for (auto _ : state) {
    RedrawGarden(one_bug, one_control);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

void BM_FullRedrawNineBugs(benchmark::State& state) {
  OpenGarden();
  for (auto _ : state) {
    RedrawGarden(bugs, control);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FullRedrawNineBugs)->Unit(benchmark::kMicrosecond);

// A tick of the animation, the redraw, and the copy to the window.
void Frames(benchmark::State& state, const BugRecord* from, const ControlState& start) {
  OpenGarden();
  BugRecord moving[BugCount];
  std::copy(from, from + BugCount, moving);
  ControlState c = start;
  for (int i = 0; i <= c.last_bug; ++i) moving[i].moving = 1;
  for (auto _ : state) {
    for (int i = 0; i <= c.last_bug; ++i) MoveBug(moving, i);
    c.frame_no++;
    RedrawGarden(moving, c);
    BitBlt(window_dc, 0, 0, BackBufferWidth, BackBufferHeight, back_buffer_dc, 0, 0, SRCCOPY);
    benchmark::ClobberMemory();
  }
}

void BM_Frame(benchmark::State& state) { Frames(state, one_bug, one_control); }
BENCHMARK(BM_Frame)->Unit(benchmark::kMicrosecond);

void BM_FrameNineBugs(benchmark::State& state) { Frames(state, bugs, control); }
BENCHMARK(BM_FrameNineBugs)->Unit(benchmark::kMicrosecond);

void BM_MemsetBackBuffer(benchmark::State& state) {
  std::vector<unsigned char> buffer(size_t(BackBufferWidth) * BackBufferHeight * 4);
  int value = 0;
  for (auto _ : state) {
    memset(buffer.data(), value++ & 0xFF, buffer.size());
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemsetBackBuffer)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration so the ratio can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> ns_per_iteration;
  std::map<std::string, double> cpu_ns_per_iteration;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // A run alone, or the median of repeated runs (which alone are reported when
      // only aggregates are asked for); the median comes last and stays.
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (!median && !(run.run_type == Run::RT_Iteration && run.iterations > 0)) continue;
      const double to_ns = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      ns_per_iteration[run.run_name.function_name] = run.GetAdjustedRealTime() * to_ns;
      cpu_ns_per_iteration[run.run_name.function_name] = run.GetAdjustedCPUTime() * to_ns;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // On a shared, loaded machine the processor time is the steadier measure.
  for (const char* clock : {"wall", "cpu"}) {
    auto& times = clock[0] == 'w' ? reporter.ns_per_iteration : reporter.cpu_ns_per_iteration;
    double fill = times["BM_MemsetBackBuffer"];
    for (const char* name :
         {"BM_FullRedraw", "BM_FullRedrawNineBugs", "BM_Frame", "BM_FrameNineBugs"}) {
      double redraw = times[name];
      if (redraw > 0 && fill > 0)
        printf("%s: %.1f us, memset of the back buffer: %.1f us, ratio %.1f (%s)\n", name,
               redraw / 1e3, fill / 1e3, redraw / fill, clock);
    }
  }
  benchmark::Shutdown();
  return 0;
}
