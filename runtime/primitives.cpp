// Drawing primitives and the colour table: check the arguments, describe the call while
// logging is on, and render it into the back buffer.
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "runtime_state.h"

const ColorEntry ColorTable[ColorCount] = {
    {"black", RGB(0, 0, 0)},
    {"white", RGB(255, 255, 255)},
    {"red", RGB(255, 0, 0)},
    {"green", RGB(0, 255, 0)},
    {"blue", RGB(0, 0, 255)},
    {"yellow", RGB(255, 255, 0)},
    {"magenta", RGB(255, 0, 255)},
    {"cyan", RGB(0, 255, 255)},
    {"purple", RGB(153, 0, 204)},
    {"navy blue", RGB(0, 51, 153)},
    {"dusty plum", RGB(153, 102, 153)},
    {"ice blue", RGB(153, 255, 255)},
    {"turquoise", RGB(153, 255, 204)},
    {"orange", RGB(255, 102, 0)},
    {"brown", RGB(153, 102, 51)},
    {"pink", RGB(255, 153, 204)},
    {"chalk", RGB(255, 255, 153)},
    {"gold", RGB(204, 153, 51)},
    {"peach", RGB(255, 153, 102)},
    {"forest green", RGB(0, 102, 51)},
    {"sea green", RGB(51, 204, 153)},
    {"olive", RGB(153, 153, 51)},
    {"50% gray", RGB(128, 128, 128)},
    {"20% gray", RGB(204, 204, 204)},
};

enum { MaxPointSize = 127 };

// Coordinates and sizes are arbitrary ints: sums and negations are done in 64 bits and
// what is kept or handed to GDI is pinned to the int range.
static int ClampToInt(long long value) {
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return (int)value;
}

static int DevicePixelX(int x) { return ClampToInt((long long)origin.x + x); }
static int DevicePixelY(int y) { return ClampToInt((long long)origin.y - y); }
static int PastEdge(int pixel) { return ClampToInt((long long)pixel + 1); }

int CheckColor(int color) {
  if (color >= 0 && color < ColorCount) return color;
  LogPrintf("Illegal color %d; using RED.\n", color);
  return ColorRed;
}

static const char* ColorName(int color) {
  return ColorTable[color >= 0 && color < ColorCount ? color : ColorRed].name;
}

static COLORREF ColorValue(int color) {
  return ColorTable[color >= 0 && color < ColorCount ? color : ColorRed].color;
}

int DrawCircle(int color, int x, int y, int radius) {
  color = CheckColor(color);
  if (radius < 0) {
    int used = ClampToInt(-(long long)radius);
    LogPrintf("Radius of %d not possible, using radius %d\n", radius, used);
    radius = used;
  }
  if (logging == 1) LogPrintf("%s circle at (%d,%d), radius %d\n", ColorName(color), x, y, radius);
  DrawRecord record = {};
  record.kind = KindCircle;
  record.color = color;
  record.width = 0;
  record.x1 = ClampToInt((long long)x - radius);
  record.y1 = ClampToInt((long long)y + radius);
  record.x2 = ClampToInt((long long)x + radius);
  record.y2 = ClampToInt((long long)y - radius);
  RenderRecord(&record);
  return 1;
}

int DrawRectangle(int color, int x1, int y1, int x2, int y2, int width) {
  if (x1 > x2) {
    int swap = x1;
    x1 = x2;
    x2 = swap;
  }
  if (y1 < y2) {
    int swap = y1;
    y1 = y2;
    y2 = swap;
  }
  color = CheckColor(color);
  if (width < 0) {
    int used = ClampToInt(-(long long)width);
    LogPrintf("Width of %d not possible, using width %d\n", width, used);
    width = used;
  }
  if (logging == 1) {
    if (width == 0)
      LogPrintf("%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n", ColorName(color), x1,
                y1, x2, y2);
    else
      LogPrintf("%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d\n",
                ColorName(color), x1, y1, x2, y2, width);
  }
  DrawRecord record = {};
  record.kind = KindRectangle;
  record.color = color;
  record.width = width;
  record.x1 = x1;
  record.y1 = y1;
  record.x2 = x2;
  record.y2 = y2;
  RenderRecord(&record);
  return 1;
}

int DrawLine(int color, int x1, int y1, int x2, int y2, int width) {
  if (width < 0) {
    int used = ClampToInt(-(long long)width);
    LogPrintf("Width of %d not possible, using width %d\n", width, used);
    width = used;
  }
  color = CheckColor(color);
  if (logging == 1)
    LogPrintf("%s line from (%d,%d) to (%d,%d), width %d\n", ColorName(color), x1, y1, x2, y2,
              width);
  DrawRecord record = {};
  record.kind = KindLine;
  record.color = color;
  record.width = width == 0 ? 1 : width;
  record.x1 = x1;
  record.y1 = y1;
  record.x2 = x2;
  record.y2 = y2;
  RenderRecord(&record);
  return 1;
}

int PutText(int color, int x, int y, int ptsize, const char* text) {
  if (ptsize < 0) {
    int used = ClampToInt(-(long long)ptsize);
    LogPrintf("ptsize of %d not possible, using ptsize %d\n", ptsize, used);
    ptsize = used;
  }
  if (ptsize > MaxPointSize) {
    LogPrintf("ptsize of %d not possible, using ptsize %d\n", ptsize, (int)MaxPointSize);
    ptsize = MaxPointSize;
  }
  color = CheckColor(color);
  // A null text would be read past; it is reported like any bad argument and drawn empty.
  if (text == NULL) {
    LogPrintf("text of NULL not possible, using text \"\"\n");
    text = "";
  }
  if (logging == 1) LogPrintf("%s text at (%d,%d), \"%s\"\n", ColorName(color), x, y, text);

  size_t length = strlen(text);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
  char* copy = (char*)GlobalLock(block);
  if (copy != NULL) {
    memcpy(copy, text, length + 1);
    GlobalUnlock(block);
  }
  DrawRecord record = {};
  record.kind = KindText;
  record.color = color;
  record.x1 = x;
  record.y1 = y;
  record.x2 = ptsize;
  record.text = block;
  RenderRecord(&record);
  GlobalFree(block);
  return 1;
}

int PrintText(int color, int x, int y, int ptsize, const char* format, ...) {
  char buffer[FormatBufferSize];
  va_list args;
  va_start(args, format);
  // Too long a text is cut to the buffer; the count stays the formatter's own.
  int count = vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (count < 0) buffer[0] = '\0';
  PutText(color, x, y, ptsize, buffer);
  return count;
}

int ClearWindow(void) {
  if (logging == 1) LogPrintf("Clearing the graphics window\n");
  HBRUSH brush = CreateSolidBrush(ColorTable[1].color);
  HGDIOBJ previous_brush = SelectObject(back_buffer_dc, brush);
  Rectangle(back_buffer_dc, 0, 0, BackBufferWidth, BackBufferHeight);
  SelectObject(back_buffer_dc, previous_brush);
  DeleteObject(brush);
  buffer_dirty = 1;
  return 1;
}

static void RenderShape(const DrawRecord* record) {
  COLORREF color = ColorValue(record->color);
  HPEN pen = CreatePen(PS_SOLID, record->width, color);
  HBRUSH created_brush = NULL;
  HGDIOBJ brush;
  if (record->width == 0) {
    created_brush = CreateSolidBrush(color);
    brush = created_brush;
  } else {
    brush = GetStockObject(NULL_BRUSH);
  }
  HGDIOBJ previous_pen = SelectObject(back_buffer_dc, pen);
  HGDIOBJ previous_brush = SelectObject(back_buffer_dc, brush);
  int left = DevicePixelX(record->x1);
  int top = DevicePixelY(record->y1);
  int right = PastEdge(DevicePixelX(record->x2));
  int bottom = PastEdge(DevicePixelY(record->y2));
  if (record->kind == KindRectangle)
    Rectangle(back_buffer_dc, left, top, right, bottom);
  else
    Ellipse(back_buffer_dc, left, top, right, bottom);
  SelectObject(back_buffer_dc, previous_pen);
  SelectObject(back_buffer_dc, previous_brush);
  DeleteObject(pen);
  if (created_brush != NULL) DeleteObject(created_brush);
}

static void RenderLine(const DrawRecord* record) {
  HPEN pen = CreatePen(PS_SOLID, record->width, ColorValue(record->color));
  HGDIOBJ previous_pen = SelectObject(back_buffer_dc, pen);
  MoveToEx(back_buffer_dc, DevicePixelX(record->x1), DevicePixelY(record->y1), NULL);
  LineTo(back_buffer_dc, DevicePixelX(record->x2), DevicePixelY(record->y2));
  SelectObject(back_buffer_dc, previous_pen);
  DeleteObject(pen);
}

static void RenderText(const DrawRecord* record) {
  SetTextColor(back_buffer_dc, ColorValue(record->color));
  int previous_mode = GetBkMode(back_buffer_dc);
  SetBkMode(back_buffer_dc, TRANSPARENT);
  HFONT font = CreateFontA(-record->x2, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, "KX507-font");
  HGDIOBJ previous_font = SelectObject(back_buffer_dc, font);

  const char* text = (const char*)GlobalLock(record->text);
  if (text != NULL) {
    SIZE extent = {0, 0};
    GetTextExtentPointA(back_buffer_dc, text, (int)strlen(text), &extent);
    int x = DevicePixelX(record->x1);
    long long anchor_row = DevicePixelY(record->y1);
    // The anchor is the lower-left corner of the first line; further lines go down.
    long long line_number = -1;
    const char* line = text;
    for (;;) {
      const char* newline = strchr(line, '\n');
      int length = (int)(newline != NULL ? newline - line : (long long)strlen(line));
      TextOutA(back_buffer_dc, x, ClampToInt(anchor_row + line_number * extent.cy), line, length);
      if (newline == NULL) break;
      line = newline + 1;
      ++line_number;
    }
    GlobalUnlock(record->text);
  }

  SetBkMode(back_buffer_dc, previous_mode);
  SelectObject(back_buffer_dc, previous_font);
  DeleteObject(font);
}

void RenderRecord(const DrawRecord* record) {
  switch (record->kind) {
    case KindRectangle:
    case KindCircle:
      RenderShape(record);
      break;
    case KindLine:
      RenderLine(record);
      break;
    case KindText:
      RenderText(record);
      break;
    default:
      break;  // triangles and pixels come from no operation
  }
  buffer_dirty = 1;
}
