// Draws a fixed set of shapes and a seeded random set with Win32 GDI, each on a cleared
// 48x48 bitmap compatible with the screen, and prints the pixels each one covers.
// One line a shape:
//   R|E left top right bottom pen brush : runs      (Rectangle, Ellipse)
//   L x1 y1 x2 y2 pen : runs                         (MoveToEx + LineTo)
// pen is the width of a solid pen or "n" for PS_NULL; brush is "s" (solid) or "n"
// (NULL_BRUSH). runs cover the bitmap row by row: a letter (. untouched, P pen,
// B brush, ? anything else) followed by its length. Build with MinGW, run under Wine.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

static const int kSize = 48;
static const COLORREF kPen = RGB(255, 0, 0);
static const COLORREF kBrush = RGB(0, 0, 255);

static HDC g_dc;
static HBITMAP g_bitmap;

static std::string Runs() {
  BITMAPINFO info;
  memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kSize;
  info.bmiHeader.biHeight = -kSize;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> px(kSize * kSize);
  GetDIBits(g_dc, g_bitmap, 0, kSize, px.data(), &info, DIB_RGB_COLORS);
  std::string out;
  char last = 0;
  int count = 0;
  for (int i = 0; i < kSize * kSize; ++i) {
    DWORD p = px[i] & 0xFFFFFF;  // 0x00RRGGBB in a DIB
    char c = p == 0xFFFFFF ? '.' : p == 0xFF0000 ? 'P' : p == 0x0000FF ? 'B' : '?';
    if (c != last && count) {
      out += last;
      out += std::to_string(count);
      count = 0;
    }
    last = c;
    ++count;
  }
  out += last;
  out += std::to_string(count);
  return out;
}

static void Clear() {
  RECT r = {0, 0, kSize, kSize};
  FillRect(g_dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
}

// pen < 0: PS_NULL.
static void Shape(char kind, int l, int t, int r, int b, int pen, bool solid) {
  Clear();
  HPEN hp = CreatePen(pen < 0 ? PS_NULL : PS_SOLID, pen < 0 ? 0 : pen, kPen);
  HBRUSH hb = solid ? CreateSolidBrush(kBrush) : (HBRUSH)GetStockObject(NULL_BRUSH);
  HGDIOBJ op = SelectObject(g_dc, hp), ob = SelectObject(g_dc, hb);
  if (kind == 'R') Rectangle(g_dc, l, t, r, b);
  if (kind == 'E') Ellipse(g_dc, l, t, r, b);
  if (kind == 'L') {
    MoveToEx(g_dc, l, t, NULL);
    LineTo(g_dc, r, b);
  }
  SelectObject(g_dc, op);
  SelectObject(g_dc, ob);
  DeleteObject(hp);
  if (solid) DeleteObject(hb);
  char pens[16];
  if (pen < 0)
    strcpy(pens, "n");
  else
    sprintf(pens, "%d", pen);
  if (kind == 'L')
    printf("L %d %d %d %d %s : %s\n", l, t, r, b, pens, Runs().c_str());
  else
    printf("%c %d %d %d %d %s %s : %s\n", kind, l, t, r, b, pens, solid ? "s" : "n",
           Runs().c_str());
}

// The same generator on both sides (xorshift32).
static unsigned g_seed = 20240607u;
static int Random(int lo, int hi) {
  g_seed ^= g_seed << 13;
  g_seed ^= g_seed >> 17;
  g_seed ^= g_seed << 5;
  return lo + int(g_seed % unsigned(hi - lo + 1));
}

int main(int argc, char** argv) {
  const char* part = argc > 1 ? argv[1] : "all";
  HDC screen = GetDC(NULL);
  g_dc = CreateCompatibleDC(screen);
  g_bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
  SelectObject(g_dc, g_bitmap);
  const int pens[] = {-1, 0, 1, 2, 3, 5};
  const bool all = !strcmp(part, "all");
  if (all || !strcmp(part, "rect")) {
    // Small and degenerate boxes, corners given both ways round.
    const int sizes[] = {-3, -1, 0, 1, 2, 3, 4, 5, 6, 9};
    for (int pen : pens)
      for (int solid = 0; solid < 2; ++solid) {
        if (pen < 0 && !solid) continue;
        for (int w : sizes)
          for (int h : sizes) Shape('R', 20, 20, 20 + w, 20 + h, pen, solid);
      }
  }
  if (all || !strcmp(part, "ellipse")) {
    const int sizes[] = {-2, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 15, 20};
    for (int pen : pens)
      for (int solid = 0; solid < 2; ++solid) {
        if (pen < 0 && !solid) continue;
        for (int w : sizes)
          for (int h : sizes) Shape('E', 16, 16, 16 + w, 16 + h, pen, solid);
      }
  }
  if (all || !strcmp(part, "circle")) {
    // Circles as the runtime asks for them: 2r + 1 pixels across.
    for (int pen : pens)
      for (int solid = 0; solid < 2; ++solid) {
        if (pen < 0 && !solid) continue;
        for (int r = 0; r <= 30; ++r) Shape('E', 23 - r, 23 - r, 24 + r, 24 + r, pen, solid);
      }
  }
  if (all || !strcmp(part, "line")) {
    // From the centre to every point of squares around it: all octants and slopes.
    for (int pen : {0, 1, 2, 3, 5})
      for (int k = 0; k <= 9; ++k)
        for (int dx = -k; dx <= k; ++dx)
          for (int dy = -k; dy <= k; ++dy) {
            if (dx != -k && dx != k && dy != -k && dy != k) continue;
            Shape('L', 20, 20, 20 + dx, 20 + dy, pen, false);
          }
  }
  if (all || !strcmp(part, "edge")) {
    // Shapes cut by the bitmap's edges or wholly outside it.
    const int boxes[][4] = {{-5, -5, 10, 12}, {40, 30, 60, 55},   {-10, 20, 5, 30},
                            {20, -8, 30, 3},  {-20, -20, 70, 70}, {-30, -30, -10, -5},
                            {50, 50, 60, 60}, {47, 0, 60, 48},    {-6, 44, 6, 52},
                            {0, 0, 48, 48}};
    for (int pen : pens)
      for (int solid = 0; solid < 2; ++solid) {
        if (pen < 0 && !solid) continue;
        for (auto& b : boxes) {
          Shape('R', b[0], b[1], b[2], b[3], pen, solid);
          Shape('E', b[0], b[1], b[2], b[3], pen, solid);
        }
      }
    const int lines[][4] = {{-10, -10, 60, 50}, {-5, 20, 30, 20}, {20, 60, 20, -9},
                            {47, -3, -2, 47},   {-10, 5, -1, 40}, {3, 47, 44, 47},
                            {0, 0, 0, 0},       {60, 10, -20, 30}};
    for (int pen : {0, 1, 2, 3, 5})
      for (auto& l : lines) Shape('L', l[0], l[1], l[2], l[3], pen, false);
  }
  if (all || !strcmp(part, "random")) {
    for (int i = 0; i < 600; ++i) {
      int kind = Random(0, 2);
      int a = Random(-10, 57), b = Random(-10, 57), c = Random(-10, 57), d = Random(-10, 57);
      static const int widths[] = {-1, 0, 1, 2, 3, 5, 4, 7, 10};
      int pen = widths[Random(0, 8)];
      bool solid = Random(0, 1) == 1;
      if (kind == 2 && pen < 0) pen = 1;
      if (pen < 0) solid = true;
      Shape(kind == 0 ? 'R' : kind == 1 ? 'E' : 'L', a, b, c, d, pen, solid);
    }
  }
  return 0;
}
