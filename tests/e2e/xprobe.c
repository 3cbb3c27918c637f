/* Small X11 probes for the end-to-end tests, things xdotool and ImageMagick cannot do:
     xprobe close WINDOW                 ask a window to close as a close box does (a
                                         WM_PROTOCOLS / WM_DELETE_WINDOW message)
     xprobe first-picture X Y RRGGBB ... -- PROGRAM [ARGS]
                                         start PROGRAM and print, in ms, how long until
                                         every listed screen pixel has its colour; then
                                         print the program's pid
     xprobe click-latency CX CY WX WY    click at (CX, CY) and print, in ms, how long
                                         until the screen pixel (WX, WY) changes
     xprobe burst N X Y                  N clicks at (X, Y) as fast as XTest takes them,
                                         then Ctrl+Q; prints how long the sending took
     xprobe wake-cost N                  sleep N times for 100 ms, as an animating
                                         program does between frames (poll on the X
                                         connection), and print the CPU each sleep and
                                         wake-up took, in microseconds
   Pixels are read from the root window, which is the whole screen under Xvfb. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double NowMs(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

static unsigned long Pixel(Display* d, int x, int y) {
  XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!img) return ~0ul;
  unsigned long p = XGetPixel(img, 0, 0) & 0xFFFFFFul;
  XDestroyImage(img);
  return p;
}

static void Sleep1ms(void) {
  struct timespec t = {0, 1000000};
  nanosleep(&t, NULL);
}

static int Close(Display* d, Window w) {
  XEvent ev;
  memset(&ev, 0, sizeof ev);
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
  ev.xclient.data.l[1] = CurrentTime;
  Status ok = XSendEvent(d, w, False, NoEventMask, &ev);
  XSync(d, False);
  return ok ? 0 : 1;
}

static int FirstPicture(Display* d, int argc, char** argv) {
  int n = 0;
  while (n < argc && strcmp(argv[n], "--") != 0) ++n;
  if (n == argc || n % 3 != 0 || n == 0 || n + 1 >= argc) {
    fprintf(stderr, "xprobe first-picture: X Y RRGGBB ... -- PROGRAM\n");
    return 2;
  }
  const int points = n / 3;
  int xs[64], ys[64];
  unsigned long want[64];
  if (points > 64) return 2;
  for (int i = 0; i < points; ++i) {
    xs[i] = atoi(argv[3 * i]);
    ys[i] = atoi(argv[3 * i + 1]);
    want[i] = strtoul(argv[3 * i + 2], NULL, 16);
  }
  const double start = NowMs();
  pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[n + 1], argv + n + 1);
    _exit(127);
  }
  if (pid < 0) return 1;
  for (;;) {
    int ok = 1;
    for (int i = 0; i < points && ok; ++i) ok = Pixel(d, xs[i], ys[i]) == want[i];
    if (ok) break;
    if (NowMs() - start > 20000) {
      printf("timeout %d\n", (int)pid);
      return 1;
    }
    Sleep1ms();
  }
  printf("%.1f %d\n", NowMs() - start, (int)pid);
  return 0;
}

static int ClickLatency(Display* d, int cx, int cy, int wx, int wy) {
  const unsigned long before = Pixel(d, wx, wy);
  XTestFakeMotionEvent(d, -1, cx, cy, CurrentTime);
  XSync(d, False);
  usleep(20000);
  const double start = NowMs();
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XSync(d, False);
  while (Pixel(d, wx, wy) == before) {
    if (NowMs() - start > 5000) {
      printf("timeout\n");
      return 1;
    }
    Sleep1ms();
  }
  printf("%.1f\n", NowMs() - start);
  return 0;
}

static int Burst(Display* d, int n, int x, int y) {
  double start = NowMs();
  XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
  for (int i = 0; i < n; ++i) {
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    if (i % 1000 == 999) XFlush(d);
  }
  unsigned int ctrl = XKeysymToKeycode(d, XStringToKeysym("Control_L"));
  unsigned int q = XKeysymToKeycode(d, XStringToKeysym("q"));
  XTestFakeKeyEvent(d, ctrl, True, CurrentTime);
  XTestFakeKeyEvent(d, q, True, CurrentTime);
  XTestFakeKeyEvent(d, q, False, CurrentTime);
  XTestFakeKeyEvent(d, ctrl, False, CurrentTime);
  XSync(d, False);
  printf("%.1f\n", NowMs() - start);
  return 0;
}

/* What the machine charges a program for sleeping and being woken, with nothing else
   done: the floor under any animation's CPU (a virtual machine's is far above a
   bare one's). The median of n sleeps. */
static int WakeCost(Display* d, int n) {
  if (n < 1 || n > 1000) return 2;
  double* cost = malloc(sizeof(double) * (size_t)n);
  if (!cost) return 1;
  struct pollfd p = {ConnectionNumber(d), POLLIN, 0};
  for (int i = 0; i < n; ++i) {
    struct timespec a, b;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    if (poll(&p, 1, 100) > 0) XSync(d, True); /* nothing should come; drop it if it does */
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    cost[i] = (double)(b.tv_sec - a.tv_sec) * 1e6 + (double)(b.tv_nsec - a.tv_nsec) / 1e3;
  }
  for (int i = 1; i < n; ++i)
    for (int j = i; j > 0 && cost[j - 1] > cost[j]; --j) {
      double t = cost[j];
      cost[j] = cost[j - 1];
      cost[j - 1] = t;
    }
  printf("%.1f\n", cost[n / 2]);
  free(cost);
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: xprobe close|first-picture|click-latency|burst|wake-cost ...\n");
    return 2;
  }
  Display* d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "xprobe: cannot open display\n");
    return 1;
  }
  int rc = 2;
  if (strcmp(argv[1], "close") == 0 && argc == 3)
    rc = Close(d, (Window)strtoul(argv[2], NULL, 0));
  else if (strcmp(argv[1], "first-picture") == 0)
    rc = FirstPicture(d, argc - 2, argv + 2);
  else if (strcmp(argv[1], "click-latency") == 0 && argc == 6)
    rc = ClickLatency(d, atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]));
  else if (strcmp(argv[1], "burst") == 0 && argc == 5)
    rc = Burst(d, atoi(argv[2]), atoi(argv[3]), atoi(argv[4]));
  else if (strcmp(argv[1], "wake-cost") == 0 && argc == 3)
    rc = WakeCost(d, atoi(argv[2]));
  else
    fprintf(stderr, "xprobe: bad arguments\n");
  XCloseDisplay(d);
  return rc;
}
