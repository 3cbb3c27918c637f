/* Asks a window to close as a window manager's close box does: a WM_PROTOCOLS
   client message carrying WM_DELETE_WINDOW. xdotool can only destroy or kill. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "wm_close: cannot open display\n");
    return 1;
  }
  Window window = (Window)strtoul(argv[1], NULL, 0);
  XEvent ev;
  memset(&ev, 0, sizeof ev);
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  ev.xclient.data.l[1] = CurrentTime;
  Status ok = XSendEvent(display, window, False, NoEventMask, &ev);
  XSync(display, False);
  XCloseDisplay(display);
  return ok ? 0 : 1;
}
