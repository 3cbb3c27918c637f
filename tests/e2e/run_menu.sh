#!/usr/bin/env bash
# The Run menu with the mouse: "Halt animation" stops the picture, Ctrl+A sets it
# going again; Ctrl+L sets the check mark of "Logging" as the open menu shows it.
source "$(dirname "$0")/lib.bash"
start_display
start_app
wait_first_picture

menu_closed() { ! menu_shown; }

eventually 10 moving start || fail "the picture does not move at start"
echo "animating at start: $LAST_DIFF pixels changed in 500 ms"

open_run_menu
read -r first h < <(first_item_band)
echo "first item band starts at row $first, $h rows high"
# "Halt animation" is the second item, directly below "Animate".
move_to 150 $((first + h + h / 2))
halt_hovered() { [ "$(band_rows "$(shot hover-halt)" 150)" = "$((first + h)) $((first + 2 * h - 1))" ]; }
eventually 10 halt_hovered || fail "the highlight did not follow the mouse to item 2: $(band_rows "$WORK/hover-halt.png" 150)"
xdotool click 1

eventually 10 still halted || fail "the picture still changes after Halt animation ($LAST_DIFF pixels)"
echo "after Halt animation: $LAST_DIFF pixels changed in 500 ms"
menu_closed || fail "the menu stayed open"
# And it stays still.
still halted-later || fail "the picture moved again by itself ($LAST_DIFF pixels)"

key ctrl+a
eventually 10 moving again || fail "Ctrl+A did not set the animation going again"
echo "after Ctrl+A: $LAST_DIFF pixels changed in 500 ms"

# The check column of the popup from Animate down to Logging (three items, a
# separator, then Logging): its dark pixels are check marks.
check_marks() {
  convert "$1" -crop "18x$((4 * h + 7))+2+$first" +repage -colorspace gray -threshold 50% \
    -format '%[fx:int(w*h*(1-mean)+0.5)]' info:
}
key ctrl+h  # hold the scene still behind the menu
eventually 10 still before-menu || fail "Ctrl+H did not halt the animation"
open_run_menu
c1=$(check_marks "$WORK/menu-open.png")
key Escape
eventually 10 menu_closed || fail "Esc did not close the menu"
key ctrl+l
open_run_menu
logging_checked() {
  c2=$(check_marks "$(shot menu-open)")
  [ "$c2" -gt 10 ]
}
eventually 10 logging_checked || true
echo "dark pixels in the check column: before Ctrl+L $c1, after $c2"
[ "$c1" -eq 0 ] || fail "a check mark shows while logging is off"
[ "$c2" -gt 10 ] || fail "Ctrl+L did not set the Logging check mark"
key Escape
eventually 10 menu_closed || fail "Esc did not close the menu"

# The keyboard way: Alt+R opens the menu, H chooses Halt animation; F10, Down and
# Enter choose Animate.
key ctrl+a
eventually 10 moving keys-running || fail "Ctrl+A did not set the animation going"
key alt+r
eventually 10 menu_shown || fail "Alt+R did not open the Run menu"
key h
eventually 10 still keys-halted || fail "Alt+R, H did not halt the animation"
menu_closed || fail "the menu stayed open after H"
key F10
key Down
eventually 10 menu_shown || fail "F10, Down did not open the Run menu"
key Return
eventually 10 moving keys-animate || fail "F10, Down, Enter did not choose Animate"
alive
echo "PASS"
