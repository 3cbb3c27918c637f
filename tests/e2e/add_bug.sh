#!/usr/bin/env bash
# Two clicks on "Add Bug" bring bug 3 into the garden: its blue head appears at the
# right edge, where it enters. The animation is halted first (Ctrl+H) so that the
# bugs stand still while we look.
source "$(dirname "$0")/lib.bash"
start_display
start_app
wait_first_picture

key ctrl+h
sleep 0.3
before=$(shot before)
# Bug 3 (size 10) enters at x 288 with its head centred 45 above the ground.
hx=$(screen_x 288)
hy=$(screen_y 45)
blue_before=$(count_colour "$before" $((hx - 6)) $((hy - 6)) 13 13 0000ff)
[ "$blue_before" -lt 20 ] || fail "blue at bug 3's place before adding it ($blue_before pixels)"

# "Add Bug" is row 7 of the left panel: x -290..-215, y -185..-210.
click_runtime -252 -197
sleep 0.2
click_runtime -252 -197
sleep 0.4
after=$(shot after)
blue_after=$(count_colour "$after" $((hx - 6)) $((hy - 6)) 13 13 0000ff)
echo "blue pixels at bug 3's head: before $blue_before, after $blue_after"
[ "$blue_after" -ge 100 ] || fail "bug 3 did not appear (blue pixels $blue_after)"
# Its number is drawn above it in its colour.
label_blue=$(count_colour "$after" $((hx - 15)) $((screen_y 85)) 30 30 0000ff)
[ "$label_blue" -ge 10 ] || fail "bug 3's label is missing ($label_blue blue pixels)"

# The picture for the README: the garden with three bugs, the animation running.
key ctrl+a
sleep 1.5
import -window root -crop 601x540+0+0 +repage "${E2E_SCREENSHOT:-$PWD/e2e-garden.png}"
alive
echo "PASS"
