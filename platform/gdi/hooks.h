// What the window system and the hosts ask of the GDI: device contexts on surfaces
// it owns, solid fills, and the object count for leak checks.
#pragma once

#include <windows.h>

#include "../surface.h"

namespace platform {

// A device context that draws on a window's surface (GetDC, BeginPaint) or on a
// surface the platform draws itself (the menu bar). The DC keeps the surface alive.
HDC CreateSurfaceDC(SurfacePtr surface, HWND owner);
// Frees a DC made by CreateSurfaceDC (ReleaseDC, EndPaint).
void DestroySurfaceDC(HDC dc);
// The window a surface DC belongs to, or null.
HWND SurfaceDCWindow(HDC dc);
// The colour of a solid brush (stock or created); false for the null brush or a bad handle.
bool SolidBrushColor(HBRUSH brush, COLORREF* colour);
// Solid fill of r, clipped to the surface.
void FillSurfaceRect(Surface& s, const RECT& r, COLORREF colour);
// Live GDI objects created by the program (stock objects are not counted).
DWORD LiveGdiObjectCount();

}  // namespace platform
