// libFuzzer target for the drawing primitives: each input is a program of calls to
// DrawCircle, DrawRectangle, DrawLine, PutText, PrintText, ClearWindow and SetLogging,
// with every int argument anywhere in its range (the ends of it often), texts of any
// bytes or none at all, and formats built from the input with arguments that fit them.
// The sanitizers catch overruns and overflows; the checks below catch a primitive that
// refuses a call, miscounts, or leaves a GDI object or a text block behind.
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "kernel.h"
#include "runtime_state.h"

namespace {

// Reads the input front to back; past its end every read gives 0.
struct Input {
  const uint8_t* data;
  size_t size;
  size_t at = 0;

  uint8_t Byte() { return at < size ? data[at++] : 0; }

  // Edge values half of the time, any int otherwise.
  int Int() {
    static const int kEdges[] = {0,       1,           -1,          2,       23,         24,
                                 127,     128,         -200,        300,     -300,       601,
                                 540,     65535,       -65536,      1 << 30, -(1 << 30), INT_MAX,
                                 INT_MIN, INT_MAX - 1, INT_MIN + 1, 46341,   -46341,     32767};
    uint8_t pick = Byte();
    if (pick < 128) return kEdges[pick % (sizeof kEdges / sizeof kEdges[0])];
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return (int)v;
  }

  // Up to 255 bytes of text, NUL excluded so the length is what was read.
  std::string Text() {
    size_t length = Byte();
    std::string text;
    for (size_t i = 0; i < length && at < size; ++i) {
      char c = (char)Byte();
      text.push_back(c == '\0' ? '\n' : c);
    }
    return text;
  }
};

// The text as a format that prints it literally.
std::string Literal(const std::string& text) {
  std::string format;
  for (char c : text) {
    format.push_back(c);
    if (c == '%') format.push_back('%');
  }
  return format;
}

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

enum { MaxCalls = 64 };

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("PLATFORM_HOST", "headless", 1);
  if (OpenRuntime(NULL, NULL, (LPSTR) "", SW_SHOWNORMAL) != 1) abort();
  SetLogging(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  size_t blocks_at_start = platform::LiveGlobalBlockCount();
  for (int i = 0; i < LogRingSize; ++i) blocks_at_start -= log_lines[i] != NULL;
  for (int call = 0; call < MaxCalls && in.at < in.size; ++call) {
    switch (in.Byte() % 8) {
      case 0: {
        int color = in.Int(), x = in.Int(), y = in.Int(), radius = in.Int();
        Check(DrawCircle(color, x, y, radius) == 1);
        break;
      }
      case 1: {
        int color = in.Int(), x1 = in.Int(), y1 = in.Int(), x2 = in.Int(), y2 = in.Int();
        Check(DrawRectangle(color, x1, y1, x2, y2, in.Int()) == 1);
        break;
      }
      case 2: {
        int color = in.Int(), x1 = in.Int(), y1 = in.Int(), x2 = in.Int(), y2 = in.Int();
        Check(DrawLine(color, x1, y1, x2, y2, in.Int()) == 1);
        break;
      }
      case 3: {
        int color = in.Int(), x = in.Int(), y = in.Int(), ptsize = in.Int();
        // A null text now and then: it is reported and drawn empty.
        if (in.Byte() % 8 == 0) {
          Check(PutText(color, x, y, ptsize, NULL) == 1);
        } else {
          std::string text = in.Text();
          Check(PutText(color, x, y, ptsize, text.c_str()) == 1);
        }
        break;
      }
      case 4: {
        int color = in.Int(), x = in.Int(), y = in.Int(), ptsize = in.Int();
        std::string format = Literal(in.Text());
        std::string tail = in.Text();
        int value = in.Int();
        char expected[4096];
        int count;
        // One conversion of each kind after the literal part, with its argument.
        switch (in.Byte() % 5) {
          case 0:
            format += "%d";
            count = snprintf(expected, sizeof expected, format.c_str(), value);
            Check(PrintText(color, x, y, ptsize, format.c_str(), value) == count);
            break;
          case 1:
            format += "%s";
            count = snprintf(expected, sizeof expected, format.c_str(), tail.c_str());
            Check(PrintText(color, x, y, ptsize, format.c_str(), tail.c_str()) == count);
            break;
          case 2:
            format += "%*d";
            value %= 2000;  // a field wider than the buffer is cut, not refused
            count = snprintf(expected, sizeof expected, format.c_str(), value, value);
            Check(PrintText(color, x, y, ptsize, format.c_str(), value, value) == count);
            break;
          case 3:
            format += "%c%x";
            count = snprintf(expected, sizeof expected, format.c_str(), value, (unsigned)value);
            Check(PrintText(color, x, y, ptsize, format.c_str(), value, (unsigned)value) == count);
            break;
          default:
            // The literal part as an argument instead: no conversion in it is looked at.
            Check(PrintText(color, x, y, ptsize, "%s", format.c_str()) == (int)format.size());
            break;
        }
        break;
      }
      case 5:
        Check(ClearWindow() == 1);
        break;
      case 6:
        SetLogging(in.Byte() & 1);
        break;
      default: {
        // A text long enough to be cut by the description line's buffer.
        std::string text(in.Byte() * 8 + 1000, (char)('a' + in.Byte() % 26));
        Check(PutText(in.Int(), in.Int(), in.Int(), in.Int(), text.c_str()) == 1);
        break;
      }
    }
    // The text block lives only while its record is drawn: what stays is the log's lines.
    size_t kept = 0;
    for (int i = 0; i < LogRingSize; ++i) kept += log_lines[i] != NULL;
    Check(platform::LiveGlobalBlockCount() == blocks_at_start + kept);
    Check(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) == objects);
  }
  SetLogging(0);
  return 0;
}
