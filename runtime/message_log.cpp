// Message log: the ring of the last 25 lines, their window, and the logging flag.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "observer.h"
#include "runtime_state.h"

HGLOBAL log_lines[LogRingSize];
int log_head = -1;
int log_tail = 0;
unsigned char logging = 1;

static int NextSlot(int index) { return index == LogRingSize - 1 ? 0 : index + 1; }

int LogPrintf(const char* format, ...) {
  char buffer[FormatBufferSize];
  va_list args;
  va_start(args, format);
  // A line too long for the buffer is cut short; the count stays the formatter's own.
  int count = vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (count < 0) buffer[0] = '\0';
  size_t length = strlen(buffer);

  if (log_head == log_tail) {
    GlobalFree(log_lines[log_head]);
    log_head = NextSlot(log_head);
  }
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
  log_lines[log_tail] = block;
  char* stored = (char*)GlobalLock(block);
  if (stored != NULL) {
    memcpy(stored, buffer, length + 1);
    GlobalUnlock(block);
  }
  if (log_head < 0) log_head = log_tail;
  log_tail = NextSlot(log_tail);

  if (runtime_observer.log_line) runtime_observer.log_line(buffer);
  AppendLogLine(buffer);
  return count;
}

void AppendLogLine(const char* text) {
  // No window yet, or the user closed it: the line stays in the ring only.
  if (log_window == NULL || !IsWindow(log_window)) return;

  HDC dc = GetDC(log_window);
  HGDIOBJ previous_font = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  int line_height = metrics.tmHeight + metrics.tmExternalLeading;

  ScrollDC(dc, 0, -line_height, NULL, NULL, NULL, NULL);

  RECT client;
  GetClientRect(log_window, &client);
  HBRUSH brush = CreateSolidBrush(GetBkColor(dc));
  HGDIOBJ previous_brush = SelectObject(dc, brush);
  HGDIOBJ previous_pen = SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, client.left, client.bottom - line_height, client.right, client.bottom + 1);
  SelectObject(dc, previous_pen);
  SelectObject(dc, previous_brush);
  DeleteObject(brush);

  int length = (int)strlen(text);
  if (length > 0 && text[length - 1] == '\n') --length;
  TextOutA(dc, client.left + 5, client.bottom - line_height, text, length);

  SelectObject(dc, previous_font);
  ReleaseDC(log_window, dc);
}

LRESULT CALLBACK TextWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      // Every stored line goes through AppendLogLine, so they stack up from the bottom.
      int index = log_head;
      int count = 0;
      for (;;) {
        if (index == log_tail && count != 0) break;
        if (index < 0) break;
        const char* text = (const char*)GlobalLock(log_lines[index]);
        if (text != NULL) {
          AppendLogLine(text);
          GlobalUnlock(log_lines[index]);
        }
        index = NextSlot(index);
        ++count;
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
      // Keys typed here act as if typed in the drawing window.
      PostMessageA(draw_window, message, wparam, lparam);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

int SetLogging(int flag) {
  if (draw_window == NULL) return 0;
  logging = flag != 0 || runtime_observer.keep_logging ? 1 : 0;
  CheckMenuItem(run_menu, CommandLogging,
                MF_BYCOMMAND | (logging == 1 ? MF_CHECKED : MF_UNCHECKED));
  if (logging == 1) ShowLogWindow(1);
  return 1;
}

// The Logging command and Ctrl+L: flips the flag and its check mark, leaving the
// window as it is.
void ToggleLogging(void) {
  if (logging == 1) {
    logging = 0;
    CheckMenuItem(run_menu, CommandLogging, MF_BYCOMMAND | MF_UNCHECKED);
  } else {
    logging = 1;
    CheckMenuItem(run_menu, CommandLogging, MF_BYCOMMAND | MF_CHECKED);
  }
}

int ShowLogWindow(int flag) { return ShowWindow(log_window, flag != 0 ? SW_SHOW : SW_HIDE); }
