// Draws the program's icon, a ladybird seen from above, with the runtime's own
// primitives on the headless host, and writes it as PNGs of the usual icon sizes:
//   bug-garden-icons OUTPUT_DIR SIZE...
// gives OUTPUT_DIR/<size>x<size>/bug-garden.png for each size.
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "icon_image.h"
#include "runtime_state.h"

namespace {

// The drawing is made this big and shrunk, so that every icon size gets smooth edges.
constexpr int kPicture = 512;
// Where the picture's top-left corner lies in the back buffer.
constexpr int kLeft = (BackBufferWidth - kPicture) / 2;
constexpr int kTop = (BackBufferHeight - kPicture) / 2;

enum { Black = 0, White = 1, Red = 2, Green = 3, Pink = 15 };
// Nothing of the bug is drawn in pure green: it marks the transparent background.
constexpr uint32_t kKey = 0x00FF00;

// Picture coordinates (top-left origin, y down) to the runtime's (centre origin, y up).
int RX(int x) { return kLeft + x - origin.x; }
int RY(int y) { return origin.y - (kTop + y); }

void Circle(int color, int x, int y, int radius) { DrawCircle(color, RX(x), RY(y), radius); }
void Line(int color, int x1, int y1, int x2, int y2, int width) {
  DrawLine(color, RX(x1), RY(y1), RX(x2), RY(y2), width);
}

void DrawLadybird() {
  DrawRectangle(Green, RX(-4), RY(-4), RX(kPicture + 4), RY(kPicture + 4), 0);
  // Legs, three a side, each bent at the knee, then the antennae with their tips.
  const int legs[3][4] = {{150, 210, 70, 170}, {140, 300, 50, 310}, {160, 390, 80, 450}};
  for (const auto& leg : legs) {
    int knee_x = leg[0] - 40, knee_y = (leg[1] + leg[3]) / 2;
    for (int side = -1; side <= 1; side += 2) {
      auto x = [side](int v) { return side < 0 ? v : kPicture - v; };
      Line(Black, x(256), leg[1], x(knee_x), knee_y, 22);
      Line(Black, x(knee_x), knee_y, x(leg[2]), leg[3], 18);
    }
  }
  Line(Black, 230, 110, 170, 40, 14);
  Line(Black, 282, 110, 342, 40, 14);
  Circle(Black, 170, 40, 18);
  Circle(Black, 342, 40, 18);
  // Head, then the wing cases with a dark rim, the seam between them and the spots.
  Circle(Black, 256, 150, 80);
  Circle(White, 222, 100, 16);
  Circle(White, 290, 100, 16);
  Circle(Black, 256, 300, 186);
  Circle(Red, 256, 300, 170);
  Line(Black, 256, 150, 256, 486, 12);
  const int spots[][3] = {{190, 220, 36}, {322, 220, 36}, {170, 330, 40},
                          {342, 330, 40}, {210, 420, 30}, {302, 420, 30}};
  for (const auto& spot : spots) Circle(Black, spot[0], spot[1], spot[2]);
  // The shine on the shell.
  Circle(Pink, 182, 166, 14);
}

std::vector<uint32_t> ReadPicture() {
  std::vector<uint32_t> rgb(size_t(kPicture) * kPicture);
  for (int y = 0; y < kPicture; y++) {
    for (int x = 0; x < kPicture; x++) {
      COLORREF c = GetPixel(back_buffer_dc, kLeft + x, kTop + y);
      rgb[size_t(y) * kPicture + x] =
          uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | uint32_t(GetBValue(c));
    }
  }
  return rgb;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s OUTPUT_DIR SIZE...\n", argv[0]);
    return 2;
  }
  // Always headless: icons are made at build time, with or without a display.
  setenv("PLATFORM_HOST", "headless", 1);
  static const int kInstance = 0;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(const_cast<int*>(&kInstance));
  OpenRuntime(instance, nullptr, nullptr, SW_HIDE);
  SetLogging(0);
  DrawLadybird();
  std::vector<uint32_t> picture = ReadPicture();
  CloseRuntime();

  std::string out = argv[1];
  mkdir(out.c_str(), 0755);
  for (int i = 2; i < argc; i++) {
    int size = atoi(argv[i]);
    if (size < 1 || size > kPicture) {
      fprintf(stderr, "%s: icon size %s is not between 1 and %d\n", argv[0], argv[i], kPicture);
      return 1;
    }
    std::string dir = out + "/" + std::to_string(size) + "x" + std::to_string(size);
    mkdir(dir.c_str(), 0755);
    std::string path = dir + "/bug-garden.png";
    if (!WriteRgbaPng(path, ShrinkWithKey(picture, kPicture, kKey, size))) {
      fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
      return 1;
    }
  }
  return 0;
}
