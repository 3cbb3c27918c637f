// Ten seconds of a 100 ms window timer through PeekMessageA + WaitMessage on the
// real clock: prints how many WM_TIMER came (about 100) and the processor time
// the process used (small, since WaitMessage sleeps rather than spins).
#include <sys/resource.h>
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = Proc;
  wc.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
  wc.lpszClassName = "WaitBench";
  RegisterClassA(&wc);
  HWND h = CreateWindowExA(0, "WaitBench", "wait", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                           nullptr, nullptr, nullptr);
  ShowWindow(h, SW_SHOW);
  SetTimer(h, 1, 100, nullptr);
  double cpu0 = CpuSeconds();
  DWORD start = GetTickCount();
  int timers = 0;
  MSG m;
  while (GetTickCount() - start < 10000) {
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_TIMER) ++timers;
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    WaitMessage();
  }
  double cpu = CpuSeconds() - cpu0;
  std::printf("WM_TIMER in 10 s: %d (expect 100 +- 2)\n", timers);
  std::printf("process CPU time: %.3f s (expect < 0.1 s)\n", cpu);
  KillTimer(h, 1);
  DestroyWindow(h);
  return 0;
}
