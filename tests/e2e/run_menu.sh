#!/usr/bin/env bash
# The Run menu with the mouse: "Halt animation" stops the picture, Ctrl+A sets it
# going again; Ctrl+L flips the check mark of "Logging" as the open menu shows it.
source "$(dirname "$0")/lib.bash"
start_display
start_app
wait_first_picture

moving() {  # differing pixels between two pictures 500 ms apart
  local a b
  a=$(shot "$1-a")
  sleep 0.5
  b=$(shot "$1-b")
  differing "$a" "$b"
}

d=$(moving start)
echo "animating at start: $d pixels changed in 500 ms"
[ "$d" -gt 0 ] || fail "the picture does not move at start"

open_run_menu
read -r first h < <(item_y)
echo "first item band starts at row $first, $h rows high"
# "Halt animation" is the second item, directly below "Animate".
xdotool mousemove 60 $((first + h + h / 2))
sleep 0.25
f=$(shot hover-halt)
read -r f2 _ < <(band_rows "$f" 60)
[ "${f2:-0}" -eq $((first + h)) ] || fail "the highlight did not follow the mouse to item 2 (row ${f2:-none})"
xdotool click 1
sleep 0.4

d=$(moving halted)
echo "after Halt animation: $d pixels changed in 500 ms"
[ "$d" -eq 0 ] || fail "the picture still changes after Halt animation ($d pixels)"
[ "$(pixel "$WORK/halted-b.png" 60 $((MENU_H + 10)))" = 003399 ] || fail "the menu stayed open"

key ctrl+a
sleep 0.3
d=$(moving again)
echo "after Ctrl+A: $d pixels changed in 500 ms"
[ "$d" -gt 0 ] || fail "Ctrl+A did not set the animation going again"

# The check column of the popup, in screen pixels: left of the item texts.
check_marks() {  # dark pixels in the check column of the open popup
  local f=$1
  convert "$f" -crop "18x280+2+$((MENU_H + 1))" +repage -colorspace gray -threshold 50% \
    -format '%[fx:int(w*h*(1-mean)+0.5)]' info:
}
key ctrl+h  # hold the scene still behind the menu
open_run_menu
c1=$(check_marks "$WORK/menu-open.png")
key Escape
sleep 0.2
key ctrl+l
sleep 0.3
open_run_menu
c2=$(check_marks "$WORK/menu-open.png")
echo "dark pixels in the check column: before Ctrl+L $c1, after $c2"
[ "$c1" -ne "$c2" ] || fail "Ctrl+L did not change the Logging check mark"
key Escape
alive
echo "PASS"
