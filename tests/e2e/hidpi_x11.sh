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
doubled_complete() {
  local f
  f=$(shot first2)
  alive
  [ "$(pixel "$f" 1000 80)" = 003399 ] && [ "$(pixel "$f" 600 800)" = 996633 ]
}
eventually 30 doubled_complete || fail "no complete picture at scale 2"
key ctrl+h
eventually 10 still two || fail "Ctrl+H did not halt the animation"

# Every pixel a 2x2 block: halving and doubling again gives back the same picture.
convert "$WORK/two-b.png" -sample 50% -sample 200% "$WORK/back.png"
blocks=$(differing "$WORK/two-b.png" "$WORK/back.png")
echo "pixels of the doubled picture not in uniform 2x2 blocks: $blocks"
[ "$blocks" -eq 0 ] || fail "the doubled picture is not nearest-neighbour ($blocks pixels)"

# Two clicks on the doubled "Add Bug" (runtime -252, -197) bring bug 3 in at the right.
xdotool mousemove $(((300 - 252) * 2 + 1)) $(((19 + 260 + 197) * 2 + 1)) click 1
sleep 0.2
xdotool click 1
hx=$(((300 + 288) * 2))
hy=$(((19 + 260 - 45) * 2))
head_blue() { count_colour "$1" $((hx - 12)) $((hy - 12)) 26 26 0000ff; }
bug3_shown() { [ "$(head_blue "$(shot after2)")" -ge 400 ]; }
eventually 10 bug3_shown || fail "bug 3 did not appear ($(head_blue "$WORK/after2.png") blue pixels)"
echo "blue pixels at bug 3's doubled head: before $(head_blue "$WORK/two-b.png"), after $(head_blue "$WORK/after2.png")"
alive
echo "PASS"
