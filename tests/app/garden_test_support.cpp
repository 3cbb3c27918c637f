#include "garden_test_support.h"

#include <stdarg.h>
#include <stdio.h>

static std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
static std::string Format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::string CircleLine(const char* name, int x, int y, int radius) {
  return Format("%s circle at (%d,%d), radius %d\n", name, x, y, radius);
}
std::string FilledLine(const char* name, int x1, int y1, int x2, int y2) {
  return Format("%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n", name, x1, y1, x2,
                y2);
}
std::string OutlineLine(const char* name, int x1, int y1, int x2, int y2, int width) {
  return Format("%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d\n", name, x1,
                y1, x2, y2, width);
}
std::string LineLine(const char* name, int x1, int y1, int x2, int y2, int width) {
  return Format("%s line from (%d,%d) to (%d,%d), width %d\n", name, x1, y1, x2, y2, width);
}
std::string TextLine(const char* name, int x, int y, const char* text) {
  return Format("%s text at (%d,%d), \"%s\"\n", name, x, y, text);
}
