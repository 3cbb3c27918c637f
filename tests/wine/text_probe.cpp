// Prints the text metrics, advances and ink positions that Win32 gives for the fonts the
// runtime uses, one record a line, so our platform's text can be compared with them.
// Build and run it on Win32 (or Wine) and keep its output beside it:
//   wine-run text_probe.cpp > text_probe.txt
//
// Lines:
//   M <label> <height> <weight> tmHeight tmAscent tmDescent tmInternalLeading
//     tmExternalLeading tmAveCharWidth tmMaxCharWidth tmWeight tmFirstChar tmLastChar
//     tmDefaultChar tmBreakChar tmPitchAndFamily tmCharSet
//   A <label> <height> <weight> w0 w1 ... w255   (advance of each single byte)
//   E <label> <height> <weight> cx cy <text>     (extent of a whole string; bytes outside
//     printable ASCII written as \xHH)
//   I <label> <height> <weight> <byte> left top right bottom   (ink box drawn at (20,20),
//     TA_TOP|TA_LEFT, black on white; -1s when nothing was drawn)
//   F <label> <height> <weight> <face name>
//   X <case> ...                                 (edge cases, see ProbeEdges)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

static HDC g_dc;
static const int kW = 200, kH = 120;

static void PrintMetrics(const char* label, int height, int weight) {
  TEXTMETRICA tm;
  GetTextMetricsA(g_dc, &tm);
  std::printf("M %s %d %d %ld %ld %ld %ld %ld %ld %ld %ld %d %d %d %d %d %d\n", label, height,
              weight, tm.tmHeight, tm.tmAscent, tm.tmDescent, tm.tmInternalLeading,
              tm.tmExternalLeading, tm.tmAveCharWidth, tm.tmMaxCharWidth, tm.tmWeight,
              tm.tmFirstChar, tm.tmLastChar, tm.tmDefaultChar, tm.tmBreakChar, tm.tmPitchAndFamily,
              tm.tmCharSet);
  char face[64] = "";
  GetTextFaceA(g_dc, sizeof face, face);
  std::printf("F %s %d %d %s\n", label, height, weight, face);
}

static void PrintAdvances(const char* label, int height, int weight) {
  std::printf("A %s %d %d", label, height, weight);
  for (int c = 0; c < 256; c++) {
    char s[1] = {char(c)};
    SIZE sz = {0, 0};
    GetTextExtentPoint32A(g_dc, s, 1, &sz);
    std::printf(" %ld", sz.cx);
  }
  std::printf("\n");
}

static void PrintExtent(const char* label, int height, int weight, const char* text) {
  SIZE sz = {0, 0};
  GetTextExtentPointA(g_dc, text, int(std::strlen(text)), &sz);
  // Bytes outside printable ASCII as \xHH, so every record stays on one line.
  std::printf("E %s %d %d %ld %ld ", label, height, weight, sz.cx, sz.cy);
  for (const char* p = text; *p; p++) {
    unsigned char c = (unsigned char)*p;
    if (c < 0x20 || c >= 0x7F || c == '\\')
      std::printf("\\x%02X", c);
    else
      std::putchar(c);
  }
  std::printf("\n");
}

static void PrintInk(const char* label, int height, int weight, unsigned char c) {
  RECT all = {0, 0, kW, kH};
  FillRect(g_dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
  SetBkMode(g_dc, TRANSPARENT);
  char s[1] = {char(c)};
  TextOutA(g_dc, 20, 20, s, 1);
  int l = -1, t = -1, r = -1, b = -1;
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++)
      if ((GetPixel(g_dc, x, y) & 0xFFFFFF) != 0xFFFFFF) {
        if (l < 0 || x < l) l = x;
        if (t < 0) t = y;
        if (x + 1 > r) r = x + 1;
        b = y + 1;
      }
  std::printf("I %s %d %d %d %d %d %d %d\n", label, height, weight, c, l, t, r, b);
}

// Bounding box of the pixels that are not white; "-1 -1 -1 -1" when there are none.
static void PrintBox(const char* what) {
  int l = -1, t = -1, r = -1, b = -1;
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++)
      if ((GetPixel(g_dc, x, y) & 0xFFFFFF) != 0xFFFFFF) {
        if (l < 0 || x < l) l = x;
        if (t < 0) t = y;
        if (x + 1 > r) r = x + 1;
        b = y + 1;
      }
  std::printf("X %s %d %d %d %d\n", what, l, t, r, b);
}

static void Clear() {
  RECT all = {0, 0, kW, kH};
  FillRect(g_dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
}

// Counts, alignments and the opaque box, with the runtime's -12 font selected.
static void ProbeEdges() {
  SIZE sz = {77, 77};
  BOOL ok = GetTextExtentPoint32A(g_dc, "abc", 0, &sz);
  std::printf("X extent0 %d %ld %ld\n", ok, sz.cx, sz.cy);
  sz = {77, 77};
  ok = GetTextExtentPoint32A(g_dc, "abc", -1, &sz);
  std::printf("X extentneg %d %ld %ld\n", ok, sz.cx, sz.cy);
  sz = {77, 77};
  ok = GetTextExtentPointA(g_dc, "abc", -1, &sz);
  std::printf("X extentAneg %d %ld %ld\n", ok, sz.cx, sz.cy);

  SetBkMode(g_dc, OPAQUE);
  SetBkColor(g_dc, RGB(255, 0, 0));
  SetTextColor(g_dc, RGB(0, 0, 255));
  Clear();
  ok = TextOutA(g_dc, 20, 20, "abc", 0);
  std::printf("X textout0 %d\n", ok);
  PrintBox("textout0box");
  Clear();
  ok = TextOutA(g_dc, 20, 20, "abc", -1);
  std::printf("X textoutneg %d\n", ok);
  PrintBox("textoutnegbox");
  Clear();
  TextOutA(g_dc, 20, 20, "Hi", 2);
  PrintBox("opaqueHi");
  int red = 0, blue = 0;
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++) {
      COLORREF c = GetPixel(g_dc, x, y) & 0xFFFFFF;
      if (c == RGB(255, 0, 0)) red++;
      if (c == RGB(0, 0, 255)) blue++;
    }
  std::printf("X opaqueHiCounts red %d blue %d\n", red, blue);
  Clear();
  TextOutA(g_dc, 20, 20, " ", 1);
  PrintBox("opaqueSpace");

  SetBkMode(g_dc, TRANSPARENT);
  SetTextColor(g_dc, RGB(0, 0, 0));
  static const struct {
    const char* name;
    UINT align;
  } aligns[] = {{"top_left", TA_TOP | TA_LEFT},       {"baseline_left", TA_BASELINE | TA_LEFT},
                {"bottom_left", TA_BOTTOM | TA_LEFT}, {"top_right", TA_TOP | TA_RIGHT},
                {"top_center", TA_TOP | TA_CENTER},   {"baseline_center", TA_BASELINE | TA_CENTER}};
  for (auto& a : aligns) {
    SetTextAlign(g_dc, a.align);
    Clear();
    TextOutA(g_dc, 100, 60, "HH", 2);
    char what[64];
    std::snprintf(what, sizeof what, "align_%s", a.name);
    PrintBox(what);
  }
  // The current position as reference point, and how far it moves.
  for (UINT horizontal : {UINT(TA_LEFT), UINT(TA_RIGHT), UINT(TA_CENTER)}) {
    SetTextAlign(g_dc, TA_UPDATECP | TA_TOP | horizontal);
    Clear();
    MoveToEx(g_dc, 100, 30, nullptr);
    TextOutA(g_dc, 5, 5, "HH", 2);
    POINT after;
    MoveToEx(g_dc, 0, 0, &after);
    char what[64];
    std::snprintf(what, sizeof what, "updatecp_%u", horizontal);
    PrintBox(what);
    std::printf("X updatecp_pos_%u %ld %ld\n", horizontal, after.x, after.y);
  }
  SetTextAlign(g_dc, TA_TOP | TA_LEFT);

  // A solid stem: the darkest pixel of black text.
  Clear();
  TextOutA(g_dc, 20, 20, "lH", 2);
  COLORREF darkest = 0xFFFFFF;
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++) {
      COLORREF c = GetPixel(g_dc, x, y) & 0xFFFFFF;
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) <
          GetRValue(darkest) + GetGValue(darkest) + GetBValue(darkest))
        darkest = c;
    }
  std::printf("X darkest %06lX\n", (unsigned long)darkest);
  // Far off the surface, both ways.
  Clear();
  ok = TextOutA(g_dc, 0x7FFFFFF0, 0x7FFFFFF0, "Hello", 5);
  std::printf("X textoutfar %d\n", ok);
  ok = TextOutA(g_dc, -0x7FFFFFF0, -0x7FFFFFF0, "Hello", 5);
  std::printf("X textoutnearmin %d\n", ok);
  PrintBox("farbox");
}

static const char* kTexts[] = {
    "Click a button",
    "Hello, world",
    "The quick brown fox jumps over the lazy dog",
    "WWWWWW",
    "iiiiii",
    "0123456789",
    "AVATAR",
    "Te Yo",
    "caf\xe9 \x80 \x93x\x94",
    "\x01\x02\x09\x0a\x0d\x1f",
    "Red bugs: 12",
};

static void Probe(const char* label, int height, int weight, bool full) {
  PrintMetrics(label, height, weight);
  PrintAdvances(label, height, weight);
  for (const char* t : kTexts) PrintExtent(label, height, weight, t);
  if (full) {
    static const unsigned char ink[] = {'H', 'g', 'x', 'j', 0xE9, 0xC9, 0x01, 0x81, '|', '_'};
    for (unsigned char c : ink) PrintInk(label, height, weight, c);
  }
}

int main() {
  HDC screen = GetDC(nullptr);
  g_dc = CreateCompatibleDC(screen);
  HBITMAP bm = CreateCompatibleBitmap(screen, kW, kH);
  HGDIOBJ old_bm = SelectObject(g_dc, bm);
  HGDIOBJ old_font = GetCurrentObject(g_dc, OBJ_FONT);

  // What a fresh DC holds.
  Probe("dcdefault", 0, 0, true);

  static const struct {
    const char* label;
    int id;
  } stock[] = {{"SYSTEM_FONT", SYSTEM_FONT},
               {"DEFAULT_GUI_FONT", DEFAULT_GUI_FONT},
               {"ANSI_FIXED_FONT", ANSI_FIXED_FONT},
               {"ANSI_VAR_FONT", ANSI_VAR_FONT}};
  for (auto& s : stock) {
    SelectObject(g_dc, GetStockObject(s.id));
    Probe(s.label, 0, 0, true);
  }

  // The runtime's requests: -ptsize for ptsize 0..127 (every size for metrics, a few for
  // everything else), then cell heights and bold weights.
  for (int weight : {FW_NORMAL, FW_BOLD}) {
    for (int h = -60; h <= 40; h++) {
      if (h < -40 && h % 10 != 0 && h != -127) continue;
      HFONT f = CreateFontA(h, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            "KX507-font");
      SelectObject(g_dc, f);
      bool full = weight == FW_NORMAL && (h == -12 || h == -8 || h == -20 || h == 0 || h == 14);
      Probe("KX507", h, weight, full);
      if (weight == FW_NORMAL && h == -12) ProbeEdges();
      SelectObject(g_dc, old_font);
      DeleteObject(f);
    }
  }
  {
    HFONT f = CreateFontA(-127, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          "KX507-font");
    SelectObject(g_dc, f);
    Probe("KX507", -127, FW_NORMAL, false);
    SelectObject(g_dc, old_font);
    DeleteObject(f);
  }
  // Weights around the bold threshold.
  for (int weight : {FW_DONTCARE, FW_THIN, FW_MEDIUM, 550, FW_SEMIBOLD, 650, 900}) {
    HFONT f = CreateFontA(-12, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          "KX507-font");
    SelectObject(g_dc, f);
    PrintMetrics("KX507", -12, weight);
    PrintExtent("KX507", -12, weight, "Click a button");
    SelectObject(g_dc, old_font);
    DeleteObject(f);
  }

  SelectObject(g_dc, old_bm);
  DeleteObject(bm);
  DeleteDC(g_dc);
  ReleaseDC(nullptr, screen);
  return 0;
}
