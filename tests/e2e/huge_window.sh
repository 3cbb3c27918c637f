#!/usr/bin/env bash
# Both windows forced to 32767 x 32767 from outside, with logging on: the program keeps
# them at most the screen's size, its memory stays under 100 MB, and Ctrl+Q still quits
# at once.
source "$(dirname "$0")/lib.bash"
start_display
start_app
wait_first_picture

key ctrl+l
xdotool windowsize "$TEXT_WIN" 32767 32767
xdotool windowsize "$DRAW_WIN" 32767 32767
# Long enough for every tick to log a screenful of lines into the log window.
sleep 2
alive

bounded() {
  local win=$1 WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$win" | grep -E '^(WIDTH|HEIGHT)=')"
  [ "$WIDTH" -le 1024 ] && [ "$HEIGHT" -le 768 ]
}
eventually 10 bounded "$TEXT_WIN" ||
  fail "the log window stays $(xdotool getwindowgeometry "$TEXT_WIN" | grep Geometry)"
eventually 10 bounded "$DRAW_WIN" ||
  fail "the drawing window stays $(xdotool getwindowgeometry "$DRAW_WIN" | grep Geometry)"
echo "windows now: log $(xdotool getwindowgeometry "$TEXT_WIN" | grep Geometry)," \
  "drawing $(xdotool getwindowgeometry "$DRAW_WIN" | grep Geometry)"

rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$APP_PID/status")
hwm_kb=$(awk '/^VmHWM:/ { print $2 }' "/proc/$APP_PID/status")
echo "resident: ${rss_kb} kB now, ${hwm_kb} kB at most"
[ "$hwm_kb" -lt 102400 ] || fail "the program held ${hwm_kb} kB, more than 100 MB"

xdotool mousemove 300 200
key ctrl+q
wait_exit 50 0.1
[ -n "$status" ] || fail "Ctrl+Q not acted on within 5 s"
APP_PID=""
echo "exit status after Ctrl+Q: $status"
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "PASS"
