// Helpers for the garden's tests: opening the runtime, reading the message log's
// ring, and turning runtime points into client pixels for posted clicks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "garden.h"
#include "runtime_state.h"

inline void OpenRuntimeForTest() { OpenRuntime(nullptr, nullptr, (LPSTR) "", SW_SHOWNORMAL); }

// Every stored line of the ring, oldest first.
inline std::vector<std::string> RingLines() {
  std::vector<std::string> lines;
  if (log_head < 0) return lines;
  int a = log_head;
  int count = 0;
  while (!(a == log_tail && count != 0)) {
    const char* text = (const char*)GlobalLock(log_lines[a]);
    lines.push_back(text ? text : "<null>");
    GlobalUnlock(log_lines[a]);
    a = (a + 1) % LogRingSize;
    count++;
  }
  return lines;
}

inline const char* MarkText() { return "-- test mark --\n"; }

// Puts a mark into the ring; LinesSinceMark then returns what was logged after it.
// The ring holds 25 lines, so a group read this way must stay under 25 lines.
inline void MarkLog() { LogPrintf("%s", MarkText()); }

// Lines after the newest mark; `found` tells whether the mark was still there.
inline std::vector<std::string> LinesSinceMark(bool* found) {
  std::vector<std::string> lines = RingLines();
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

// Client pixel of a runtime point, packed as a click's lParam.
inline LPARAM ClickAt(int x, int y) { return MAKELPARAM(origin.x + x, origin.y - y); }

// Description lines of the primitives, as the runtime formats them.
std::string CircleLine(const char* name, int x, int y, int radius);
std::string FilledLine(const char* name, int x1, int y1, int x2, int y2);
std::string OutlineLine(const char* name, int x1, int y1, int x2, int y2, int width);
std::string LineLine(const char* name, int x1, int y1, int x2, int y2, int width);
std::string TextLine(const char* name, int x, int y, const char* text);
