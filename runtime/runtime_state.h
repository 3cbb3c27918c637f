// The runtime's process-wide state, for the runtime's own files and its tests.
#pragma once

#include <windows.h>

#include "kx507.h"

// Windows and start-up
extern HWND draw_window;
extern HWND log_window;
extern HDC window_dc;
extern HBITMAP back_buffer_bitmap;
extern HDC back_buffer_dc;
extern HMENU run_menu;
extern POINT origin;
extern int buffer_dirty;

enum {
  BackBufferWidth = 601,
  BackBufferHeight = 540,
  AnimationTimerId = 2,
  AnimationPeriodMs = 100
};

// The Run menu's command ids (WM_COMMAND's wParam); a Ctrl shortcut sends the same.
enum RunCommandId {
  CommandAnimate = 1,
  CommandHalt = 2,
  CommandAdvanceFrame = 3,
  CommandLogging = 4,
  CommandRecordScript = 5,
  CommandPlaybackScript = 6,
  CommandPlayOneScript = 7,
  CommandQuit = 8,
  CommandInfoLine = 9,  // the grayed lines at the foot of the menu: never sent
  FirstRunCommand = CommandAnimate,
  LastRunCommand = CommandQuit
};

LRESULT CALLBACK DrawWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Event wait and run control
extern int event_kind;
extern int event_x;
extern int event_y;
extern signed char event_key;
extern unsigned char animating;
extern unsigned char single_step;
extern unsigned char quit_requested;
extern int tick_pending;
extern int ctrl_down;

void ToggleLogging(void);

// The input, timer and menu-command branches of DrawWindowProc.
void HandleInputMessage(UINT message, WPARAM wparam, LPARAM lparam);

// One pass of the pump: what PeekMessageA gave, then the back buffer copied if dirty.
enum PumpResult { PumpIdle = 0, PumpDispatched = 1, PumpQuit = 2 };
int PumpOnce(void);

// Message log
enum { LogRingSize = 25, FormatBufferSize = 1024 };
extern HGLOBAL log_lines[LogRingSize];
extern int log_head;
extern int log_tail;
extern unsigned char logging;

void AppendLogLine(const char* text);
LRESULT CALLBACK TextWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Drawing primitives and colour table
enum DrawKind {
  KindTriangle = 0,
  KindRectangle = 1,
  KindCircle = 2,
  KindLine = 3,
  KindPixel = 4,
  KindText = 5
};

struct ColorEntry {
  const char* name;
  COLORREF color;
};
extern const ColorEntry ColorTable[ColorCount];

// Nine 32-bit fields; a text record carries its block handle beside them, because a
// handle is wider than the 32-bit field whose place it takes.
struct DrawRecord {
  int kind;
  int color;
  int width;
  int x1, y1;
  int x2, y2;
  int x3, y3;
  HGLOBAL text;
};

int CheckColor(int color);
void RenderRecord(const DrawRecord* record);
