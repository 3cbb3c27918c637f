// Shared set-up for the window system's tests: a headless host on a virtual
// clock, and a window procedure that records what it is sent.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "host/host.h"
#include "user/user.h"

namespace usertest {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

inline std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

inline LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Log().push_back({h, m, w, l});
  return DefWindowProcA(h, m, w, l);
}

inline std::vector<UINT> Messages() {
  std::vector<UINT> r;
  for (const Seen& s : Log()) r.push_back(s.message);
  return r;
}

inline int IndexOf(UINT message) {
  for (size_t i = 0; i < Log().size(); ++i)
    if (Log()[i].message == message) return int(i);
  return -1;
}

inline int CountOf(UINT message) {
  int n = 0;
  for (const Seen& s : Log()) n += s.message == message;
  return n;
}

class UserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetHost(platform::MakeHeadlessHost());
    platform::HeadlessSetVirtualClock(host(), true);
    Log().clear();
  }
  platform::Host& host() { return platform::CurrentHost(); }

  // Registers a class with the recording procedure and a brush of the given colour.
  void RegisterRecording(const char* name, COLORREF background = RGB(255, 255, 255),
                         UINT style = CS_HREDRAW | CS_VREDRAW) {
    WNDCLASSA wc = {};
    wc.style = style;
    wc.lpfnWndProc = RecordingProc;
    wc.hbrBackground = CreateSolidBrush(background);
    wc.lpszClassName = name;
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  HWND MakeWindow(const char* cls, int w = 200, int h = 100, DWORD style = WS_OVERLAPPEDWINDOW,
                  int x = 0, int y = 0) {
    return CreateWindowExA(0, cls, "test", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
  }
  // Removes and dispatches everything ready, as a message loop does; returns the
  // messages taken.
  std::vector<UINT> Drain() {
    std::vector<UINT> got;
    MSG m;
    for (int guard = 0; guard < 1000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++guard) {
      got.push_back(m.message);
      if (m.message == WM_QUIT) break;
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    return got;
  }
};

}  // namespace usertest
