// The graphics runtime's public operations: what the application may call.
#pragma once

#include <windows.h>

enum EventKind { EventMouse = 1, EventKey = 2, EventPeriodic = 3, EventQuit = 4 };

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

// Drawing primitives (colour indices 0..23, runtime coordinates)
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
