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

# The shared Xvfb starter (start_private_xvfb).
# shellcheck source=../../scripts/lib/windows.sh
source "$E2E_DIR/../../scripts/lib/windows.sh"

# Geometry of the drawing window's native window (menu bar over client area), as
# measured by start_app: its top-left on the screen, its size, and the runtime
# origin inside it. Shots are of that native window, so picture coordinates are
# the same with and without a window manager's frame; clicks add CLIENT_X/Y.
# Without a window manager the native window is the whole 601 x 540 outer box.
MENU_H=19
CLIENT_X=0
CLIENT_Y=0
CLIENT_W=601
CLIENT_H=540
ORIGIN_X=300
ORIGIN_Y=260
# E2E_WM=openbox (the default) runs the tests under a real window manager, as a
# desktop user sees the program; E2E_WM=none on a bare X server.
E2E_WM=${E2E_WM:-openbox}
WM_PID=""

cleanup() {
  local rc=$?
  if [ -n "$APP_PID" ]; then kill "$APP_PID" 2>/dev/null || true; fi
  if [ -n "$WM_PID" ]; then kill "$WM_PID" 2>/dev/null || true; fi
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
  gcc -O1 -o "$WORK/xprobe" "$E2E_DIR/xprobe.c" -lXtst -lX11 ||
    fail "cannot build xprobe (needs libx11-dev and libxtst-dev)"
  export XPROBE="$WORK/xprobe"
}

# Starts a private Xvfb (the shared starter picks a free display number of its
# own, so no test reaches a stranger's server), then the window manager.
start_display() {
  need Xvfb xdotool xwininfo xprop import compare convert gcc
  local display
  display_answers() { xdotool getdisplaygeometry >/dev/null 2>&1; }
  local _
  for _ in 1 2 3; do
    display=$(start_private_xvfb "$WORK/xvfb.pid") || fail "could not start Xvfb"
    XVFB_PID=$(cat "$WORK/xvfb.pid")
    export DISPLAY=$display
    unset WAYLAND_DISPLAY
    # A busy machine may leave the server slow to take its first clients. The
    # server must still be ours: one started at the same moment by another test
    # run may have taken the number.
    if eventually 20 display_answers && kill -0 "$XVFB_PID" 2>/dev/null; then break; fi
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  done
  [ -n "$XVFB_PID" ] || fail "Xvfb does not answer"
  build_probe
  if [ "$E2E_WM" = openbox ]; then
    need openbox
    openbox --sm-disable >"$WORK/wm.log" 2>&1 &
    WM_PID=$!
    wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    eventually 20 wm_ready || fail "openbox did not start: $(cat "$WORK/wm.log")"
  fi
}

# measure_window ID: top-left and size of a native window, as "X Y W H".
measure_window() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print x, y, w, h }'
}

# frame_extents ID: the window manager's frame as "LEFT RIGHT TOP BOTTOM" (0 0 0 0 without one).
frame_extents() {
  local e
  e=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ',')
  echo "${e:-0 0 0 0}"
}

# Waits until the drawing window stands still in its frame, then takes its geometry.
measure_drawing_window() {
  local a b
  settled() {
    a=$(measure_window "$DRAW_WIN")
    if [ -n "$WM_PID" ]; then
      [ "$(frame_extents "$DRAW_WIN")" != "0 0 0 0" ] || return 1
    fi
    sleep 0.2
    b=$(measure_window "$DRAW_WIN")
    [ "$a" = "$b" ]
  }
  eventually 20 settled || fail "the drawing window does not settle: $a / $b"
  read -r CLIENT_X CLIENT_Y CLIENT_W CLIENT_H <<<"$b"
  ORIGIN_X=$((CLIENT_W / 2))
  ORIGIN_Y=$(((CLIENT_H - MENU_H) / 2))
}

# Starts the program on the display, in a scratch working directory, and waits
# for its drawing window.
start_app() {
  (cd "$WORK" && PLATFORM_HOST=sdl exec "$APP" >"$WORK/app.out" 2>"$WORK/app.err") &
  APP_PID=$!
  DRAW_WIN=$(wait_window "KX507 Graphics")
  TEXT_WIN=$(wait_window "KX507 Text")
  measure_drawing_window
  # Keys go where the pointer is when no window manager gives the focus.
  move_to 300 200
  xdotool windowfocus "$DRAW_WIN" 2>/dev/null || true
}

# move_to X Y: the pointer to a point of the drawing window's native window
# (picture coordinates, as in shots).
move_to() { xdotool mousemove $((CLIENT_X + $1)) $((CLIENT_Y + $2)); }

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

# Picture pixel of a runtime point (x right, y up, 0,0 at the client area's centre).
screen_x() { echo $((ORIGIN_X + $1)); }
screen_y() { echo $((MENU_H + ORIGIN_Y - $1)); }

# shot NAME: the drawing window's native window (menu bar and client area) as
# $WORK/NAME.png.
shot() {
  import -window root -crop "${CLIENT_W}x${CLIENT_H}+${CLIENT_X}+${CLIENT_Y}" +repage "$WORK/$1.png"
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
  move_to "$(screen_x "$1")" "$(screen_y "$2")"
  xdotool click 1
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
  [ "$(pixel "$f" 500 $((MENU_H + 21)))" = 003399 ] && [ "$(pixel "$f" 300 400)" = 996633 ]
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
  move_to 14 9
  xdotool click 1
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
  move_to 150 $((MENU_H + 8))
  eventually 10 hover_shows || true
  f=$WORK/hover.png
  read -r first last < <(band_rows "$f" 150) || true
  [ -n "${first:-}" ] || fail "hovering over the first menu item highlights nothing"
  h=$((last - first + 1))
  echo "$first $h"
}

# wait_exit TRIES SECONDS: waits up to TRIES times SECONDS for the program to end, and
# sets `status` to its exit status, or to "" while it still runs.
wait_exit() {
  status=""
  local _
  for _ in $(seq "$1"); do
    if ! kill -0 "$APP_PID" 2>/dev/null; then
      set +e
      wait "$APP_PID"
      status=$?
      set -e
      return 0
    fi
    sleep "$2"
  done
}

# ---- Pictures at scale 2 ----------------------------------------------------
# The doubled picture complete on the screen: sky and ground where the doubled
# scene has them.
doubled_complete() {
  local f
  f=$(shot first2)
  alive
  [ "$(pixel "$f" 1000 80)" = 003399 ] && [ "$(pixel "$f" 600 800)" = 996633 ]
}
wait_doubled_picture() {
  eventually 30 doubled_complete || fail "no complete picture at scale 2"
}

# check_doubled TWO [ONE]: every pixel of the doubled picture TWO is a uniform 2x2
# block (halving and doubling again gives it back) and, when ONE is given, the halved
# picture is ONE where nothing moves: the menu bar and the left panel.
check_doubled() {
  convert "$1" -sample 50% "$WORK/half.png"
  convert "$WORK/half.png" -sample 200% "$WORK/back.png"
  local blocks bar panel
  blocks=$(differing "$1" "$WORK/back.png")
  echo "pixels of the doubled picture not in uniform 2x2 blocks: $blocks"
  [ "$blocks" -eq 0 ] || fail "the doubled picture is not nearest-neighbour ($blocks pixels)"
  [ $# -ge 2 ] || return 0
  bar=$(differing "$2" "$WORK/half.png" 0 0 601 19)
  panel=$(differing "$2" "$WORK/half.png" 0 300 120 240)
  echo "pixels differing from the picture at scale 1: menu bar $bar, left panel $panel"
  [ "$bar" -eq 0 ] && [ "$panel" -eq 0 ] || fail "the doubled picture is not the one at scale 1"
}

# expect_doubled_bug3 HX HY BEFORE: after two clicks on Add Bug, bug 3's blue head
# shows around (HX, HY) of the doubled picture; BEFORE is a picture taken before them.
expect_doubled_bug3() {
  DOUBLED_HEAD="$1 $2"
  head_blue() {
    local x=${DOUBLED_HEAD% *} y=${DOUBLED_HEAD#* }
    count_colour "$1" $((x - 12)) $((y - 12)) 26 26 0000ff
  }
  bug3_shown() { [ "$(head_blue "$(shot after2)")" -ge 400 ]; }
  eventually 10 bug3_shown || fail "bug 3 did not appear ($(head_blue "$WORK/after2.png") blue pixels)"
  echo "blue pixels at bug 3's doubled head: before $(head_blue "$3"), after $(head_blue "$WORK/after2.png")"
  alive
}
