/* A weston module for the end-to-end tests: the headless back-end has no input
 * devices, so this gives the compositor a seat with a pointer and a keyboard and
 * drives them from the commands written, one a line, to the FIFO named by
 * KX_WESTON_INPUT:
 *   move X Y          pointer to (X, Y) of the output
 *   button N down|up  N = 1 left, 2 right, 3 middle
 *   key NAME down|up  NAME from the table below, or an evdev key code
 *   views             writes "X Y W H" of each mapped view, topmost first, to the
 *                     file named by KX_WESTON_VIEWS (replaced whole)
 *   place W H X Y     moves the views of a W x H surface to (X, Y)
 * Loaded with weston --modules=/path/to/this.so. */
#include <errno.h>
#include <fcntl.h>
#include <libweston/libweston.h>
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <wayland-server-core.h>

/* Exported by libweston for its back-ends, declared in its private headers. */
void weston_seat_init(struct weston_seat* seat, struct weston_compositor* ec, const char* name);
int weston_seat_init_pointer(struct weston_seat* seat);
int weston_seat_init_keyboard(struct weston_seat* seat, struct xkb_keymap* keymap);
void notify_motion_absolute(struct weston_seat* seat, const struct timespec* time, double x,
                            double y);
void notify_button(struct weston_seat* seat, const struct timespec* time, int32_t button,
                   enum wl_pointer_button_state state);
void notify_key(struct weston_seat* seat, const struct timespec* time, uint32_t key,
                enum wl_keyboard_key_state state, enum weston_key_state_update update_state);
void notify_pointer_frame(struct weston_seat* seat);

static struct {
  struct weston_compositor* ec;
  struct weston_seat seat;
  int fd;
  char line[4096];
  size_t used;
} kx;

static const struct {
  const char* name;
  int code;
} keys[] = {
    {"ctrl", KEY_LEFTCTRL}, {"alt", KEY_LEFTALT}, {"shift", KEY_LEFTSHIFT},
    {"esc", KEY_ESC},       {"enter", KEY_ENTER}, {"down", KEY_DOWN},
    {"up", KEY_UP},         {"f10", KEY_F10},     {"a", KEY_A},
    {"h", KEY_H},           {"l", KEY_L},         {"q", KEY_Q},
    {"r", KEY_R},
};

static int key_code(const char* name) {
  for (size_t i = 0; i < sizeof keys / sizeof keys[0]; ++i)
    if (strcmp(keys[i].name, name) == 0) return keys[i].code;
  char* end = NULL;
  long n = strtol(name, &end, 10);
  return end && *end == '\0' && n > 0 && n < KEY_MAX ? (int)n : -1;
}

static void list_views(void) {
  const char* path = getenv("KX_WESTON_VIEWS");
  if (!path) return;
  char tmp[4200];
  snprintf(tmp, sizeof tmp, "%s.tmp", path);
  FILE* f = fopen(tmp, "w");
  if (!f) return;
  struct weston_view* v;
  wl_list_for_each(v, &kx.ec->view_list, link) {
    if (!weston_view_is_mapped(v)) continue;
    fprintf(f, "%d %d %d %d\n", (int)v->geometry.x, (int)v->geometry.y, v->surface->width,
            v->surface->height);
  }
  fclose(f);
  rename(tmp, path);
}

static void place(int w, int h, int x, int y) {
  struct weston_view* v;
  wl_list_for_each(v, &kx.ec->view_list, link) {
    if (v->surface->width == w && v->surface->height == h) weston_view_set_position(v, x, y);
  }
  weston_compositor_schedule_repaint(kx.ec);
}

static void run(char* line) {
  struct timespec now;
  weston_compositor_get_time(&now);
  char word[32] = "", arg[32] = "", state[8] = "";
  int a = 0, b = 0, c = 0, d = 0;
  if (sscanf(line, "move %d %d", &a, &b) == 2) {
    notify_motion_absolute(&kx.seat, &now, a, b);
    notify_pointer_frame(&kx.seat);
  } else if (sscanf(line, "button %d %7s", &a, state) == 2 && a >= 1 && a <= 3) {
    static const int buttons[] = {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE};
    notify_button(&kx.seat, &now, buttons[a - 1],
                  strcmp(state, "down") == 0 ? WL_POINTER_BUTTON_STATE_PRESSED
                                             : WL_POINTER_BUTTON_STATE_RELEASED);
    notify_pointer_frame(&kx.seat);
  } else if (sscanf(line, "key %31s %7s", arg, state) == 2 && key_code(arg) > 0) {
    notify_key(
        &kx.seat, &now, key_code(arg),
        strcmp(state, "down") == 0 ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED,
        STATE_UPDATE_AUTOMATIC);
  } else if (sscanf(line, "%31s", word) == 1 && strcmp(word, "views") == 0) {
    list_views();
  } else if (sscanf(line, "place %d %d %d %d", &a, &b, &c, &d) == 4) {
    place(a, b, c, d);
  } else {
    weston_log("kx seat: unknown command \"%s\"\n", line);
  }
}

static int readable(int fd, uint32_t mask, void* data) {
  (void)mask;
  (void)data;
  for (;;) {
    ssize_t n = read(fd, kx.line + kx.used, sizeof kx.line - 1 - kx.used);
    if (n <= 0) break;
    kx.used += (size_t)n;
    char* start = kx.line;
    char* nl;
    while ((nl = memchr(start, '\n', kx.used - (size_t)(start - kx.line)))) {
      *nl = '\0';
      run(start);
      start = nl + 1;
    }
    kx.used -= (size_t)(start - kx.line);
    memmove(kx.line, start, kx.used);
    if (kx.used == sizeof kx.line - 1) kx.used = 0; /* a line too long: dropped */
  }
  return 0;
}

WL_EXPORT int wet_module_init(struct weston_compositor* ec, int* argc, char* argv[]) {
  (void)argc;
  (void)argv;
  const char* path = getenv("KX_WESTON_INPUT");
  if (!path) {
    weston_log("kx seat: KX_WESTON_INPUT is not set\n");
    return -1;
  }
  /* Read and write, so that the FIFO never reports an end when a writer leaves. */
  kx.fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (kx.fd < 0) {
    weston_log("kx seat: cannot open %s: %s\n", path, strerror(errno));
    return -1;
  }
  kx.ec = ec;
  weston_seat_init(&kx.seat, ec, "kx-seat");
  weston_seat_init_pointer(&kx.seat);
  if (weston_seat_init_keyboard(&kx.seat, NULL) < 0) return -1;
  wl_event_loop_add_fd(wl_display_get_event_loop(ec->wl_display), kx.fd, WL_EVENT_READABLE,
                       readable, NULL);
  weston_log("kx seat: reading commands from %s\n", path);
  return 0;
}
