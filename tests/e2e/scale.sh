#!/usr/bin/env bash
# PLATFORM_SCALE=2: the drawing window is twice as large, its picture is the
# normal picture with every pixel doubled, and clicks are mapped back: a click on
# the doubled "Add Bug" adds a bug. On a bare X server, so that both sizes have the
# same client area and the pictures can be compared pixel for pixel.
export E2E_WM=none XVFB_SCREEN=2048x1536x24
source "$(dirname "$0")/lib.bash"
start_display

# halt_and_shoot NAME: Ctrl+H, then a still picture of the drawing window.
halt_and_shoot() {
  key ctrl+h
  eventually 10 still "$1" || fail "Ctrl+H did not halt the animation ($1)"
  cp "$WORK/$1-b.png" "$WORK/$1.png"
}

start_app
wait_first_picture
halt_and_shoot one
echo "scale 1: drawing window ${CLIENT_W}x$CLIENT_H"
kill "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=""

export PLATFORM_SCALE=2
start_app
echo "scale 2: drawing window ${CLIENT_W}x$CLIENT_H"
[ "$CLIENT_W" -eq 1202 ] && [ "$CLIENT_H" -eq 1080 ] || fail "expected a 1202x1080 window"
# The program sees a 1024 x 768 screen: its log window is the bottom third of that,
# one row down, doubled.
log_box=$(measure_window "$TEXT_WIN")
echo "scale 2: log window $log_box"
[ "$log_box" = "0 1026 2048 512" ] || fail "log window at $log_box, expected 0 1026 2048 512"
wait_doubled_picture
halt_and_shoot two

check_doubled "$WORK/two.png" "$WORK/one.png"

# Two clicks on the doubled "Add Bug" (runtime -252, -197) bring bug 3 in at the right.
bx=$(((300 - 252) * 2 + 1))
by=$(((19 + 260 + 197) * 2 + 1))
xdotool mousemove "$bx" "$by" click 1
sleep 0.2
xdotool click 1
expect_doubled_bug3 $(((300 + 288) * 2)) $(((19 + 260 - 45) * 2)) "$WORK/two.png"
echo "PASS"
