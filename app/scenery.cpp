// The garden's background: sky by the time of day, sun, moon with its two shadow
// discs, ground, horizon strip and caption.
#include <math.h>
#include <stdlib.h>

#include "garden.h"
#include "kx507.h"

// Height on an arc of 225 over the frame counter: abs(trunc(sin(f / divisor) * 225)).
static int ArcHeight(int frame, double divisor) {
  double product = sin((double)frame / divisor) * 225.0;
  return abs((int)product);
}

static int SkyBase(int frame) {
  if (frame < 315) return ColorNavyBlue;  // night
  if (frame < 355) return ColorBlue;      // dawn
  if (frame <= 615) return ColorIceBlue;  // day
  return ColorBlue;                       // dusk
}

// sky_shift is never negative and never wrapped; reducing it first keeps the sum
// from overflowing in a very long party without changing any colour.
static int Shifted(int base, int sky_shift) { return (base + sky_shift % ColorCycle) % ColorCycle; }

void DrawScenery(int& sky_shift, int& frame_no) {
  int f0 = frame_no;
  // The shadow discs follow the entry frame, also in the call that wraps it.
  double t = (double)f0 * 2.2;
  t = t - (double)f0;

  DrawRectangle(Shifted(SkyBase(f0), sky_shift), -300, -250, 300, 250, 0);
  DrawCircle(ColorYellow, 2 * f0 - 980, ArcHeight(f0, 105.0), 25);

  if (frame_no == 650) frame_no = 0;
  int f1 = frame_no;

  DrawCircle(ColorChalk, 2 * f1 - 300, ArcHeight(f1, 100.0), 25);
  double first = 2.0 * t;
  first = first - 300.0;
  double second = first - 125.0;
  int shadow = Shifted(ColorNavyBlue, sky_shift);
  DrawCircle(shadow, (int)first, ArcHeight(f1, 100.0), 25);
  DrawCircle(shadow, (int)second, ArcHeight(f1, 100.0), 25);

  DrawRectangle(Shifted(ColorBrown, sky_shift), -300, -250, 300, 0, 0);
  DrawRectangle(ColorWhite, -300, -5, 300, 5, 0);
  PrintText(ColorBlack, -285, 200, 12, "Click a button to control the bugs.");
}
