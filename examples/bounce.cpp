// Circles bouncing around the window: a starting point for a program of your own on the
// KX507 runtime. Coordinates have (0, 0) at the centre of the window and y pointing up;
// colours are indices 0..23 (0 black, 1 white, 2 red, 3 green, 4 blue, 5 yellow, ...).
//
// Click to add a circle where you click, press a key to halt or go on, Ctrl+Q to quit.
// An optional number on the command line ends the program after that many frames.
#include <kx507.h>
#include <stdio.h>
#include <stdlib.h>

struct Ball {
  int x, y, dx, dy, radius, color;
};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  OpenRuntime(instance, previous, command_line, show_mode);
  SetLogging(0);  // no log line per drawing call
  SetRunMode(2);  // animate: one periodic event per tick of the runtime's timer

  Ball balls[16] = {{0, 0, 7, 5, 30, 2}, {-100, 50, -4, 9, 20, 4}, {120, -80, 6, -6, 40, 19}};
  int count = 3;
  long frames = 0;
  long limit = command_line && *command_line ? atol(command_line) : 0;
  int running = 1;

  for (;;) {
    int x, y;
    signed char key;
    int event = AwaitEvent(&x, &y, &key);
    if (event == EventQuit) break;
    if (event == EventMouse && count < 16) {
      balls[count] = {x, y, 5 - count % 11, 3 + count % 7, 15 + 5 * (count % 4), 5 + count};
      count++;
    } else if (event == EventKey) {
      running = !running;
      SetRunMode(running ? 2 : 0);
    } else if (event == EventPeriodic) {
      ClearWindow();
      for (int i = 0; i < count; i++) {
        Ball& b = balls[i];
        b.x += b.dx;
        b.y += b.dy;
        // Turn back from the walls of a 560 x 440 box round the centre.
        if (b.x - b.radius < -280) b.dx = abs(b.dx);
        if (b.x + b.radius > 280) b.dx = -abs(b.dx);
        if (b.y - b.radius < -220) b.dy = abs(b.dy);
        if (b.y + b.radius > 220) b.dy = -abs(b.dy);
        DrawCircle(b.color, b.x, b.y, b.radius);
      }
      PrintText(0, -280, 230, 12, "frame %ld, %d circles: click to add one", ++frames, count);
      if (limit > 0 && frames >= limit) break;
    }
  }
  CloseRuntime();
  if (limit > 0) printf("bounce: %ld frames, %d circles\n", frames, count);
  return 0;
}
