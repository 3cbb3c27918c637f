#!/usr/bin/env bash
# KX507.SCR is a FIFO with no one at its other end: Playback (Ctrl+P) and a recorded
# click (Ctrl+R) are refused at once with a line in the log window, and Ctrl+Q still ends
# the program within a second.
source "$(dirname "$0")/lib.bash"
mkfifo "$WORK/KX507.SCR"
start_display
start_app
wait_first_picture

eval "$(xdotool getwindowgeometry --shell "$TEXT_WIN")"
log_shot() { import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$WORK/$1.png"; }
log_changed() {
  log_shot log-after
  [ "$(differing "$WORK/log-before.png" "$WORK/log-after.png")" -gt 0 ]
}

log_shot log-before
key ctrl+p
eventually 10 log_changed || fail "no line in the log window after Ctrl+P"
alive
log_shot log-before
key ctrl+r
click_runtime 0 -200
eventually 10 log_changed || fail "no line in the log window after a recorded click"
alive
[ -p "$WORK/KX507.SCR" ] || fail "the FIFO was replaced"

key ctrl+q
start=$(date +%s%N)
wait_exit 100 0.01
ms=$((($(date +%s%N) - start) / 1000000))
[ -n "$status" ] || fail "Ctrl+Q not acted on within a second: the program waits on the FIFO"
APP_PID=""
echo "ended ${ms} ms after Ctrl+Q, exit status $status"
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "PASS"
