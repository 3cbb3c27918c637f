#!/usr/bin/env bash
# An X screen of 192 dots per inch, without PLATFORM_SCALE: the host takes the
# density SDL reports and doubles the windows, nearest-neighbour, with clicks
# mapped back. SDL reads the density from the RandR outputs' physical sizes,
# which Xvfb leaves at 0; without RandR it reads the screen's own size in
# millimetres, which Xvfb's -dpi sets. On a bare X server, as scale.sh.
export E2E_WM=none XVFB_SCREEN=2048x1536x24 XVFB_DPI=192 SDL_VIDEO_X11_XRANDR=0
unset PLATFORM_SCALE
source "$(dirname "$0")/lib.bash"
start_display
xdpyinfo 2>/dev/null | grep resolution || true

start_app
echo "drawing window ${CLIENT_W}x$CLIENT_H"
[ "$CLIENT_W" -eq 1202 ] && [ "$CLIENT_H" -eq 1080 ] || fail "expected a 1202x1080 window"
# The program sees a 1024 x 768 screen: its log window is the bottom third of that,
# one row down, doubled.
log_box=$(measure_window "$TEXT_WIN")
echo "log window $log_box"
[ "$log_box" = "0 1026 2048 512" ] || fail "log window at $log_box, expected 0 1026 2048 512"
wait_doubled_picture
key ctrl+h
eventually 10 still two || fail "Ctrl+H did not halt the animation"

check_doubled "$WORK/two-b.png"

# Two clicks on the doubled "Add Bug" (runtime -252, -197) bring bug 3 in at the right.
xdotool mousemove $(((300 - 252) * 2 + 1)) $(((19 + 260 + 197) * 2 + 1)) click 1
sleep 0.2
xdotool click 1
expect_doubled_bug3 $(((300 + 288) * 2)) $(((19 + 260 - 45) * 2)) "$WORK/two-b.png"
echo "PASS"
