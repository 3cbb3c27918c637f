// The bug figure, its motion by one tick, and the drawing of all bugs.
#include <math.h>
#include <stdlib.h>

#include <climits>

#include "garden.h"
#include "kx507.h"

void DrawBug(BugRecord bug, int index) {
  int x = bug.x;
  int s = bug.size;
  int color = bug.color;
  // Head centre; multiplications come before the integer divisions below.
  int B = (int)((double)bug.y + 4.5 * (double)s);

  DrawCircle(color, x, B, s);                                                      // head
  DrawLine(ColorBlack, x, B + s, x, B + 5 * s / 3, 2);                             // antenna
  DrawCircle(ColorBlack, x, B + 5 * s / 3, s / 4);                                 // tip
  DrawCircle(ColorWhite, x - s / 2, B + s / 4, s / 3);                             // eye
  DrawCircle(ColorBlack, x - 3 * s / 8, B + s / 5, s / 4);                         // pupil
  DrawRectangle(color, x - s / 4, B - 5 * s / 4, x + s / 4, B - 7 * s / 8, 0);     // neck
  DrawCircle(color, x, B - 23 * s / 12, 3 * s / 4);                                // body
  DrawLine(ColorBlack, x, B - 31 * s / 12, x - s / 2, B - 13 * s / 4, 2);          // leg
  DrawLine(ColorBlack, x - s / 2, B - 13 * s / 4, x + s / 4, B - 17 * s / 4, 2);   // lower leg
  DrawCircle(ColorBlack, x + s / 4, B - 17 * s / 4, s / 6);                        // foot
  DrawLine(ColorBlack, x + s / 4, B - 31 * s / 12, x - s / 4, B - 13 * s / 4, 2);  // leg
  DrawLine(ColorBlack, x - s / 4, B - 13 * s / 4, x + s / 2, B - 17 * s / 4, 2);   // lower leg
  DrawCircle(ColorBlack, x + s / 2, B - 17 * s / 4, s / 6);                        // foot
  DrawLine(ColorBlack, x, B - 19 * s / 12, x - 4 * s / 3, B - s * 2, 2);           // arm
  DrawCircle(ColorBlack, x - 4 * s / 3, B - s * 2, s / 6);                         // hand
  PrintText(color, x, B + s * 2, 24, "%d", index + 1);                             // number
}

void MoveBug(BugRecord* bugs, int index) {
  BugRecord& bug = bugs[index];
  int limit = 300 - BugLength(bug.size) / 2;
  // In 64 bits: a bug made very fast must re-enter, not wrap around.
  long long n = (long long)bug.x - (long long)bug.speed;
  long long magnitude = n < 0 ? -n : n;
  if (magnitude > limit) {
    bug.x = limit;
    bug.y = 0;
    bug.steps = 0;
  } else {
    bug.x = (int)n;
    if (bug.steps < INT_MAX) bug.steps = bug.steps + 1;
  }
  if (bug.hopping == 1) {
    double height = sin((double)bug.steps / 4.0) * 100.0;
    bug.y = abs((int)height);
  }
}

void DrawBugs(BugRecord* bugs, int& last_bug) {
  for (int i = 0; i <= last_bug; i++) {
    DrawBug(bugs[i], i);
    if (bugs[i].disco == 1) bugs[i].color = (bugs[i].color + 1) % ColorCycle;
  }
}
