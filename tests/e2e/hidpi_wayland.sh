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
doubled_complete() {
  local f
  f=$(shot first2)
  alive
  [ "$(pixel "$f" 1000 80)" = 003399 ] && [ "$(pixel "$f" 600 800)" = 996633 ]
}
eventually 30 doubled_complete || fail "no complete picture at scale 2"
identify -format 'output %wx%h\n' "$WORK/output.png"
[ "$(identify -format '%wx%h' "$WORK/output.png")" = 2048x1536 ] || fail "the output is not 2048x1536"
# The window ends where the doubled 601 columns end: the shell's background beyond.
edge() { pixel "$WORK/output.png" "$1" 800; }
echo "ground at output column 1201: $(edge 1201), column 1202: $(edge 1202)"
[ "$(edge 1201)" = 996633 ] && [ "$(edge 1202)" != 996633 ] || fail "the drawing window is not 1202 pixels wide"
halt_and_shoot two

# Every pixel a 2x2 block: halving and doubling again gives back the same picture.
convert "$WORK/two.png" -sample 50% "$WORK/half.png"
convert "$WORK/half.png" -sample 200% "$WORK/back.png"
blocks=$(differing "$WORK/two.png" "$WORK/back.png")
echo "pixels of the doubled picture not in uniform 2x2 blocks: $blocks"
[ "$blocks" -eq 0 ] || fail "the doubled picture is not nearest-neighbour ($blocks pixels)"
# The halved picture is the one at scale 1 where nothing moves: menu bar, left
# panel and ground.
bar=$(differing "$WORK/one.png" "$WORK/half.png" 0 0 601 19)
panel=$(differing "$WORK/one.png" "$WORK/half.png" 0 300 120 240)
echo "pixels differing from the picture at scale 1: menu bar $bar, left panel $panel"
[ "$bar" -eq 0 ] && [ "$panel" -eq 0 ] || fail "the doubled picture is not the one at scale 1"

# Two clicks on Add Bug, in the compositor's units, bring bug 3 in at the right.
hx=$((2 * $(screen_x 288)))
hy=$((2 * $(screen_y 45)))
head_blue() { count_colour "$1" $((hx - 12)) $((hy - 12)) 26 26 0000ff; }
click_runtime -252 -197
click_runtime -252 -197
move_to 900 100
bug3_shown() { [ "$(head_blue "$(shot after2)")" -ge 400 ]; }
eventually 10 bug3_shown || fail "bug 3 did not appear ($(head_blue "$WORK/after2.png") blue pixels)"
echo "blue pixels at bug 3's doubled head: before $(head_blue "$WORK/two.png"), after $(head_blue "$WORK/after2.png")"
alive
echo "PASS"
