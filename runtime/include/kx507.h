// The graphics runtime's public operations: what the application may call.
#pragma once

#include <windows.h>

enum EventKind { EventMouse = 1, EventKey = 2, EventPeriodic = 3, EventQuit = 4 };

// SetRunMode's modes; any other value changes nothing.
enum RunMode {
  RunHalt = 0,      // no ticks: halted, and a pending single step dropped
  RunOneFrame = 1,  // one more tick, then halt; the animation flag is left as it is
  RunAnimate = 2,   // every tick; a pending single step is left as it is
  RunQuit = 5       // every later AwaitEvent returns EventQuit
};

// The colour indices the drawing primitives take; any other index is reported and drawn
// red.
enum Color {
  ColorBlack = 0,
  ColorWhite = 1,
  ColorRed = 2,
  ColorGreen = 3,
  ColorBlue = 4,
  ColorYellow = 5,
  ColorMagenta = 6,
  ColorCyan = 7,
  ColorPurple = 8,
  ColorNavyBlue = 9,
  ColorDustyPlum = 10,
  ColorIceBlue = 11,
  ColorTurquoise = 12,
  ColorOrange = 13,
  ColorBrown = 14,
  ColorPink = 15,
  ColorChalk = 16,
  ColorGold = 17,
  ColorPeach = 18,
  ColorForestGreen = 19,
  ColorSeaGreen = 20,
  ColorOlive = 21,
  ColorGray50 = 22,
  ColorGray20 = 23,
  ColorCount = 24
};

// Windows and start-up
int OpenRuntime(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode);
int CloseRuntime(void);

// Event wait and run control
int AwaitEvent(int* x, int* y, signed char* key);
int SetRunMode(int mode);

// Message log
int LogPrintf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
int SetLogging(int flag);
int ShowLogWindow(int flag);

// Drawing primitives (colour indices as above, runtime coordinates)
int DrawCircle(int color, int x, int y, int radius);
int DrawRectangle(int color, int x1, int y1, int x2, int y2, int width);
int DrawLine(int color, int x1, int y1, int x2, int y2, int width);
int PutText(int color, int x, int y, int ptsize, const char* text);
int PrintText(int color, int x, int y, int ptsize, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;
int ClearWindow(void);
