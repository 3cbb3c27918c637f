// Reading the message log's ring: its stored lines, oldest first, walked the way the log
// window's repaint walks them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "runtime_state.h"

inline std::string LogBlockText(HGLOBAL block) {
  const char* text = (const char*)GlobalLock(block);
  std::string copy = text != NULL ? text : "";
  GlobalUnlock(block);
  return copy;
}

inline std::vector<std::string> LogLines() {
  std::vector<std::string> lines;
  for (int index = log_head, count = 0; index >= 0 && (index != log_tail || count == 0);
       index = (index + 1) % LogRingSize, ++count)
    lines.push_back(LogBlockText(log_lines[index]));
  return lines;
}

// How many stored lines contain text.
inline int LogCount(const char* text) {
  int count = 0;
  for (const std::string& line : LogLines()) {
    if (line.find(text) != std::string::npos) ++count;
  }
  return count;
}

// Empties the ring, so that a test reads only what it logs next.
inline void ForgetLogLines() {
  for (int i = 0; i < LogRingSize; ++i) {
    if (log_lines[i] != NULL) GlobalFree(log_lines[i]);
    log_lines[i] = NULL;
  }
  log_head = -1;
  log_tail = 0;
}
