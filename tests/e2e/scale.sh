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
doubled_complete() {
  local f
  f=$(shot first2)
  alive
  [ "$(pixel "$f" 1000 80)" = 003399 ] && [ "$(pixel "$f" 600 800)" = 996633 ]
}
eventually 30 doubled_complete || fail "no complete picture at scale 2"
halt_and_shoot two

# Every pixel a 2x2 block: halving and doubling again gives back the same picture.
convert "$WORK/two.png" -sample 50% "$WORK/half.png"
convert "$WORK/half.png" -sample 200% "$WORK/back.png"
blocks=$(differing "$WORK/two.png" "$WORK/back.png")
echo "pixels of the doubled picture not in uniform 2x2 blocks: $blocks"
[ "$blocks" -eq 0 ] || fail "the doubled picture is not nearest-neighbour ($blocks pixels)"
# The halved picture is the normal one where nothing moves: menu bar, left panel
# and ground.
bar=$(differing "$WORK/one.png" "$WORK/half.png" 0 0 601 19)
panel=$(differing "$WORK/one.png" "$WORK/half.png" 0 300 120 240)
echo "pixels differing from the normal picture: menu bar $bar, left panel $panel"
[ "$bar" -eq 0 ] && [ "$panel" -eq 0 ] || fail "the doubled picture is not the normal one"

# Two clicks on the doubled "Add Bug" (runtime -252, -197) bring bug 3 in at the right.
bx=$(((300 - 252) * 2 + 1))
by=$(((19 + 260 + 197) * 2 + 1))
xdotool mousemove "$bx" "$by" click 1
sleep 0.2
xdotool click 1
hx=$(((300 + 288) * 2))
hy=$(((19 + 260 - 45) * 2))
head_blue() { count_colour "$1" $((hx - 12)) $((hy - 12)) 26 26 0000ff; }
bug3_shown() { [ "$(head_blue "$(shot after2)")" -ge 400 ]; }
eventually 10 bug3_shown || fail "bug 3 did not appear ($(head_blue "$WORK/after2.png") blue pixels)"
echo "blue pixels at bug 3's doubled head: before $(head_blue "$WORK/two.png"), after $(head_blue "$WORK/after2.png")"
alive
echo "PASS"
