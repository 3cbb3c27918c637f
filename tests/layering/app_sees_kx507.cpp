// Must compile: the one header the application is given, which brings <windows.h>.
#include "kx507.h"

int LayeringProbe() { return EventQuit + (int)sizeof(HWND); }
