#!/usr/bin/env bash
# The program in a Wayland session with no X at all: weston's headless back-end,
# with a seat of our own (weston_seat.c) since that back-end has none. Both
# windows get buffers attached; the picture read back from the compositor shows
# the garden; clicks on Add Bug add bugs; keys reach the program; the Run menu
# works with the keyboard and the mouse; Ctrl+Q ends it with status 0.
source "$(dirname "$0")/lib.bash"
source "$E2E_DIR/weston.bash"
start_weston 1
start_wayland_app
echo "buffers attached: $(attached_buffers) so far"

wait_first_picture
f=$WORK/first.png
echo "night sky at (500, 40): $(pixel "$f" 500 40), ground at (300, 400): $(pixel "$f" 300 400)"
# The sky is the program's night sky over most of the client area above the ground.
sky=$(count_colour "$f" 0 "$MENU_H" 601 200 003399)
echo "night-sky pixels: $sky"
[ "$sky" -ge 60000 ] || fail "the night sky is missing ($sky pixels)"

# A click on the empty part of the menu bar activates the drawing window (the
# shell gives it the keyboard), then Ctrl+H halts the bugs.
click_at 300 9
key ctrl+h
eventually 10 still halted || fail "Ctrl+H did not halt the animation ($LAST_DIFF pixels changed)"

# Two clicks on Add Bug bring bug 3 in at the right edge, as under X.
hx=$(screen_x 288)
hy=$(screen_y 45)
head_blue() { count_colour "$1" $((hx - 6)) $((hy - 6)) 13 13 0000ff; }
[ "$(head_blue "$WORK/halted-b.png")" -lt 20 ] || fail "blue at bug 3's place before adding it"
click_runtime -252 -197
click_runtime -252 -197
bug3_shown() { [ "$(head_blue "$(shot after)")" -ge 100 ]; }
eventually 10 bug3_shown || fail "bug 3 did not appear ($(head_blue "$WORK/after.png") blue pixels)"
echo "blue pixels at bug 3's head: before $(head_blue "$WORK/halted-b.png"), after $(head_blue "$WORK/after.png")"

# The menu with the keyboard: F10, Down opens it; Enter chooses Animate.
key F10 Down
eventually 10 menu_shown || fail "F10, Down did not open the Run menu"
key Return
eventually 10 moving keys-animate || fail "F10, Down, Enter did not choose Animate"
echo "after Animate from the menu: $LAST_DIFF pixels changed in 500 ms"
menu_closed() { ! menu_shown; }
menu_closed || fail "the menu stayed open after Enter"

# And with the mouse: a click on Run, then on Halt animation (the second item).
open_run_menu
read -r first h < <(first_item_band)
echo "first item band starts at row $first, $h rows high"
move_to 100 $((first + h + h / 2))
halt_hovered() { [ "$(band_rows "$(shot hover-halt)" 250)" = "$((first + h)) $((first + 2 * h - 1))" ]; }
eventually 10 halt_hovered || fail "the highlight did not follow the pointer to item 2: $(band_rows "$WORK/hover-halt.png" 250)"
send "button 1 down" "button 1 up"
eventually 10 still menu-halted || fail "the picture still changes after Halt animation ($LAST_DIFF pixels)"
menu_closed || fail "the menu stayed open after the click"
alive

# Ctrl+Q ends the program, with status 0.
key ctrl+q
wait_exit 100 0.1
[ -n "$status" ] || fail "Ctrl+Q: the program still runs"
[ "$status" = 0 ] || fail "Ctrl+Q: the program ended with status $status"
APP_PID=""
echo "buffers attached in all: $(attached_buffers)"
echo "PASS"
