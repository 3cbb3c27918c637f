// How the event wait spends ten seconds of animation: how many ticks it delivers and how
// much processor time the process uses meanwhile. Run with PLATFORM_HOST=headless.
#include <stdio.h>
#include <sys/resource.h>
#include <time.h>

#include "kx507.h"

static double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

static double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

int main() {
  HINSTANCE instance = NULL;
  OpenRuntime(instance, NULL, (LPSTR) "", SW_SHOWDEFAULT);
  SetRunMode(2);

  rusage before;
  getrusage(RUSAGE_SELF, &before);
  const double start = Now();
  long periodic = 0, other = 0;
  while (Now() - start < 10.0) {
    int x, y;
    signed char key;
    int kind = AwaitEvent(&x, &y, &key);
    if (kind == EventPeriodic)
      ++periodic;
    else if (kind == EventQuit)
      break;
    else
      ++other;
  }
  const double elapsed = Now() - start;
  rusage after;
  getrusage(RUSAGE_SELF, &after);
  const double cpu = Seconds(after.ru_utime) - Seconds(before.ru_utime) + Seconds(after.ru_stime) -
                     Seconds(before.ru_stime);

  printf("elapsed %.3f s\n", elapsed);
  printf("EventPeriodic %ld (other events %ld)\n", periodic, other);
  printf("cpu %.3f s (user %.3f, system %.3f)\n", cpu,
         Seconds(after.ru_utime) - Seconds(before.ru_utime),
         Seconds(after.ru_stime) - Seconds(before.ru_stime));
  CloseRuntime();
  return 0;
}
