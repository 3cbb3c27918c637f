#!/usr/bin/env bash
# A Wayland output of scale 2, without PLATFORM_SCALE: the program keeps its own
# pixels (its windows are 601 x 540 and 1024 x 256 in the compositor's units, the
# screen it sees is 1024 x 768), the output shows its windows twice as large with
# every pixel a 2 x 2 block (not the compositor's filtered enlargement), the
# picture halved is the picture at scale 1, and a click on Add Bug adds a bug.
source "$(dirname "$0")/lib.bash"
source "$E2E_DIR/weston.bash"

# halt_and_shoot NAME: the pointer off the window, Ctrl+H, then a still picture.
halt_and_shoot() {
  click_at 300 9  # the empty part of the menu bar: the window takes the keyboard
  move_to 900 100
  key ctrl+h
  eventually 10 still "$1" || fail "Ctrl+H did not halt the animation ($1)"
  cp "$WORK/$1-b.png" "$WORK/$1.png"
}

start_weston 1
start_wayland_app
wait_first_picture
halt_and_shoot one
key ctrl+q
wait_exit 100 0.1
[ "$status" = 0 ] || fail "Ctrl+Q did not end the program at scale 1"
stop_weston

start_weston 2
start_wayland_app
echo "scale 2: views (x y w h in the compositor's units): $(tr '\n' ';' <"$VIEWS")"
wait_doubled_picture
identify -format 'output %wx%h\n' "$WORK/output.png"
[ "$(identify -format '%wx%h' "$WORK/output.png")" = 2048x1536 ] || fail "the output is not 2048x1536"
# The window ends where the doubled 601 columns end: the shell's background beyond.
edge() { pixel "$WORK/output.png" "$1" 800; }
echo "ground at output column 1201: $(edge 1201), column 1202: $(edge 1202)"
[ "$(edge 1201)" = 996633 ] && [ "$(edge 1202)" != 996633 ] || fail "the drawing window is not 1202 pixels wide"
halt_and_shoot two

check_doubled "$WORK/two.png" "$WORK/one.png"

# Two clicks on Add Bug, in the compositor's units, bring bug 3 in at the right.
click_runtime -252 -197
click_runtime -252 -197
move_to 900 100
expect_doubled_bug3 $((2 * $(screen_x 288))) $((2 * $(screen_y 45))) "$WORK/two.png"
echo "PASS"
