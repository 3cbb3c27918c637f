#!/usr/bin/env bash
# Two clicks on "Add Bug" bring bug 3 into the garden: its blue head appears at the
# right edge, where it enters. The animation is halted first (Ctrl+H) so that the
# bugs stand still while we look.
source "$(dirname "$0")/lib.bash"
start_display
start_app
wait_first_picture

key ctrl+h
eventually 10 still halted || fail "Ctrl+H did not halt the animation"
# Bug 3 (size 10) enters at x 288 with its head centred 45 above the ground, and
# its number above it.
hx=$(screen_x 288)
hy=$(screen_y 45)
head_blue() { count_colour "$1" $((hx - 6)) $((hy - 6)) 13 13 0000ff; }
label_blue() { count_colour "$1" $((hx - 15)) "$(screen_y 85)" 30 30 0000ff; }
before=$WORK/halted-b.png
[ "$(head_blue "$before")" -lt 20 ] || fail "blue at bug 3's place before adding it"

# "Add Bug" is row 7 of the left panel: x -290..-215, y -185..-210.
click_runtime -252 -197
sleep 0.2
click_runtime -252 -197
bug3_shown() { [ "$(head_blue "$(shot after)")" -ge 100 ]; }
eventually 10 bug3_shown || fail "bug 3 did not appear ($(head_blue "$WORK/after.png") blue pixels)"
echo "blue pixels at bug 3's head: before $(head_blue "$before"), after $(head_blue "$WORK/after.png")"
echo "blue pixels of its label: $(label_blue "$WORK/after.png")"
[ "$(label_blue "$WORK/after.png")" -ge 10 ] || fail "bug 3's number is missing"
# Exactly three bugs: bug 4 (yellow) did not come too.
[ "$(count_colour "$WORK/after.png" 560 150 41 150 ffff00)" -eq 0 ] || fail "a yellow bug 4 appeared"

# The picture for the README: the garden with three bugs, the animation running.
key ctrl+a
sleep 2
import -window root -crop 601x540+0+0 +repage "${E2E_SCREENSHOT:-$PWD/e2e-garden.png}"
alive
echo "PASS"
