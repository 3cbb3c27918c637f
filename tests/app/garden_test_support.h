// Helpers for the garden's tests: opening the runtime, marks in the message log, and
// the log lines the primitives write.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "garden.h"
#include "runtime_state.h"
#include "support/garden_driver.h"
#include "support/log_ring.h"

inline void OpenRuntimeForTest() { OpenRuntime(nullptr, nullptr, (LPSTR) "", SW_SHOWNORMAL); }

inline const char* MarkText() { return "-- test mark --\n"; }

// Puts a mark into the ring; LinesSinceMark then returns what was logged after it.
// The ring holds 25 lines, so a group read this way must stay under 25 lines.
inline void MarkLog() { LogPrintf("%s", MarkText()); }

// Lines after the newest mark; `found` tells whether the mark was still there.
inline std::vector<std::string> LinesSinceMark(bool* found) {
  std::vector<std::string> lines = LogLines();
  for (size_t i = lines.size(); i-- > 0;) {
    if (lines[i] == MarkText()) {
      *found = true;
      return std::vector<std::string>(lines.begin() + i + 1, lines.end());
    }
  }
  *found = false;
  return lines;
}

// Fills the ring with marks so that later lines can be counted by log_tail:
// once full, log_tail advances by one for every line, modulo 25.
inline void FillRingWithMarks() {
  for (int i = 0; i < LogRingSize; i++) MarkLog();
}
inline int LinesSince(int tail_before) {
  return (log_tail - tail_before + LogRingSize) % LogRingSize;
}

inline LPARAM ClickAt(int x, int y) { return GardenDriver::ClickAt(x, y); }

// Description lines of the primitives, as the runtime formats them.
std::string CircleLine(const char* name, int x, int y, int radius);
std::string FilledLine(const char* name, int x1, int y1, int x2, int y2);
std::string OutlineLine(const char* name, int x1, int y1, int x2, int y2, int width);
std::string LineLine(const char* name, int x1, int y1, int x2, int y2, int width);
std::string TextLine(const char* name, int x, int y, const char* text);
