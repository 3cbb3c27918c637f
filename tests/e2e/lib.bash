# Shared by the end-to-end tests: a private virtual display, the program on it, and
# ways to look at the screen. Each test script sources this with the program's path
# as its first argument.
# shellcheck shell=bash
set -euo pipefail

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
APP=${1:?usage: $0 PATH-TO-bug-garden}
APP=$(cd "$(dirname "$APP")" && pwd)/$(basename "$APP")
WORK=$(mktemp -d "${TMPDIR:-/tmp}/kx-e2e.XXXXXX")
XVFB_PID=""
APP_PID=""

# Screen geometry of the drawing window: placed at (0, 0) and, with no window
# manager on the virtual display, undecorated, so its native window is the
# menu bar (19 high) over a 601 x 521 client area whose centre is the origin.
MENU_H=19
ORIGIN_X=300
ORIGIN_Y=260

cleanup() {
  local rc=$?
  if [ -n "$APP_PID" ]; then kill "$APP_PID" 2>/dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  if [ $rc -ne 0 ] && [ -d "$WORK" ]; then
    echo "e2e: failed; screenshots and logs kept in $WORK" >&2
  else
    rm -rf "$WORK"
  fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

need() {
  local t
  for t in "$@"; do
    command -v "$t" >/dev/null || fail "missing tool $t (Debian: xvfb xdotool imagemagick libx11-dev gcc)"
  done
}

# Builds the X11 probe next to the screenshots.
build_probe() {
  gcc -O1 -o "$WORK/xprobe" "$E2E_DIR/xprobe.c" -lX11 -l:libXtst.so.6 ||
    fail "cannot build xprobe (needs libx11-dev and libxtst6)"
  export XPROBE="$WORK/xprobe"
}

# Starts Xvfb on a free display number of its own, well away from the low numbers
# a desktop or another container may hold, so that no test reaches a stranger's
# server.
start_display() {
  need Xvfb xdotool import compare convert gcc
  local n _
  display_answers() { xdotool getdisplaygeometry >/dev/null 2>&1; }
  for _ in 1 2 3 4 5; do
    n=$((200 + RANDOM % 700))
    if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then continue; fi
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    unset WAYLAND_DISPLAY
    # A busy machine may leave the server slow to take its first clients; the
    # program would then find no display and run without windows.
    if eventually 20 display_answers && kill -0 "$XVFB_PID" 2>/dev/null; then
      build_probe
      return 0
    fi
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  done
  fail "could not start Xvfb"
}

# Starts the program on the display, in a scratch working directory, and waits
# for its drawing window.
start_app() {
  (cd "$WORK" && PLATFORM_HOST=sdl exec "$APP" >"$WORK/app.out" 2>"$WORK/app.err") &
  APP_PID=$!
  DRAW_WIN=$(wait_window "KX507 Graphics")
  TEXT_WIN=$(wait_window "KX507 Text")
  # Keys go where the pointer is when no window manager gives the focus.
  xdotool mousemove 300 200
  xdotool windowfocus "$DRAW_WIN" 2>/dev/null || true
}

wait_window() {
  local id="" end=$((SECONDS + 30))
  while [ $SECONDS -lt $end ]; do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && break
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before showing \"$1\": $(cat "$WORK/app.err")"
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window \"$1\" after 30 s; windows: $(xwininfo -root -tree 2>&1 | grep -c '"')"
  echo "$id"
}

# eventually SECONDS COMMAND...: runs COMMAND until it succeeds or time is up; the
# machine may be busy, so a test waits for what must happen instead of sleeping.
eventually() {
  local end=$((SECONDS + $1))
  shift
  while :; do
    "$@" && return 0
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# Screen pixel of a runtime point (x right, y up, 0,0 at the client area's centre).
screen_x() { echo $((ORIGIN_X + $1)); }
screen_y() { echo $((MENU_H + ORIGIN_Y - $1)); }

# shot NAME: the drawing window's 601 x 540 as $WORK/NAME.png
shot() {
  import -window root -crop 601x540+0+0 +repage "$WORK/$1.png"
  echo "$WORK/$1.png"
}

# pixel FILE X Y: the colour as RRGGBB (hex, lower case)
pixel() {
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- |
    sed -n '2s/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr 'A-F' 'a-f'
}

# count_colour FILE X Y W H RRGGBB: pixels of exactly that colour in the box
count_colour() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- |
    grep -ci "#$6" || true
}

# differing FILE1 FILE2 [X Y W H]: number of differing pixels (in the box)
differing() {
  local a=$1 b=$2
  if [ $# -ge 6 ]; then
    convert "$a" -crop "$5x$6+$3+$4" +repage "$WORK/_a.png"
    convert "$b" -crop "$5x$6+$3+$4" +repage "$WORK/_b.png"
    a=$WORK/_a.png b=$WORK/_b.png
  fi
  compare -metric AE "$a" "$b" null: 2>&1 | sed 's/ .*//' || true
}

# click_runtime X Y: a left click at a runtime point of the drawing window
click_runtime() {
  xdotool mousemove "$(screen_x "$1")" "$(screen_y "$2")" click 1
}

key() { xdotool key --clearmodifiers "$@"; }

# The program must still be alive.
alive() {
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended unexpectedly: $(cat "$WORK/app.err")"
}

# Waits until the picture is complete: the navy night sky and the brown ground.
picture_complete() {
  local f
  f=$(shot first)
  alive
  [ "$(pixel "$f" 500 40)" = 003399 ] && [ "$(pixel "$f" 300 400)" = 996633 ]
}
wait_first_picture() {
  eventually 30 picture_complete ||
    fail "no complete picture after 30 s (sky $(pixel "$WORK/first.png" 500 40), ground $(pixel "$WORK/first.png" 300 400))"
}

# still NAME: true when two pictures taken 500 ms apart are equal
still() {
  local a b
  a=$(shot "$1-a")
  sleep 0.5
  b=$(shot "$1-b")
  LAST_DIFF=$(differing "$a" "$b")
  [ "$LAST_DIFF" -eq 0 ]
}
moving() { ! still "$@"; }

# The Run menu's popup as drawn below the bar: its highlighted (blue) item band.
HIGHLIGHT=0078d7
# band_rows FILE X: first and last row of the highlight band in column X, or nothing
band_rows() {
  convert "$1" -crop "1x540+$2+0" +repage -depth 8 txt:- |
    awk -F'[,:]' -v c="#${HIGHLIGHT^^}" 'toupper($0) ~ c { if (first == "") first = $2; last = $2 }
      END { if (first != "") print first, last }'
}

# open_run_menu: clicks "Run" on the menu bar and checks that the popup shows.
open_run_menu() {
  xdotool mousemove 14 9 click 1
  eventually 10 menu_shown || fail "the Run menu did not open"
}
# The popup's gray left border, where the client area is night sky.
menu_shown() {
  local f
  f=$(shot menu-open)
  [ "$(pixel "$f" 0 $((MENU_H + 80)))" = 969696 ]
}

hover_shows() { [ -n "$(band_rows "$(shot hover)" 150)" ]; }

# first_item_band: the top row and the height of the popup's first item, found by
# hovering over it and measuring its highlight band.
first_item_band() {
  local f first last h
  xdotool mousemove 150 $((MENU_H + 8))
  eventually 10 hover_shows || true
  f=$WORK/hover.png
  read -r first last < <(band_rows "$f" 150) || true
  [ -n "${first:-}" ] || fail "hovering over the first menu item highlights nothing"
  h=$((last - first + 1))
  echo "$first $h"
}
