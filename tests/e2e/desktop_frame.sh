#!/usr/bin/env bash
# Under a window manager the windows' decorated boxes are the outer boxes the
# program asked for: the drawing window's is (0,0)-(601,540) and the log window's
# the bottom third of the screen, one row down. The picture fills the client area
# that the frame leaves (no white band), the newest log line is on the screen, and
# the manager's close box ends the program with status 0.
source "$(dirname "$0")/lib.bash"
[ "$E2E_WM" != none ] || { echo "SKIP: needs a window manager"; exit 0; }
start_display
start_app
wait_first_picture

# outer_box ID: the decorated box as "X Y W H".
outer_box() {
  local x y w h l r t b
  read -r x y w h < <(measure_window "$1")
  read -r l r t b < <(frame_extents "$1")
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
read -r l r t b < <(frame_extents "$DRAW_WIN")
echo "window manager frame of the drawing window: left $l right $r top $t bottom $b"
[ "$t" -gt 0 ] || fail "the window manager reported no caption"
draw_box=$(outer_box "$DRAW_WIN")
echo "drawing window: decorated box $draw_box, client ${CLIENT_W}x$((CLIENT_H - MENU_H)), origin ($ORIGIN_X, $ORIGIN_Y)"
[ "$draw_box" = "0 0 601 540" ] || fail "drawing window's decorated box is $draw_box, expected 0 0 601 540"

# Style hints: the drawing window (WS_CAPTION | WS_SYSMENU) may be moved and closed
# only, with border, title and window menu; the log window may do everything.
draw_hints=$(xprop -id "$DRAW_WIN" _MOTIF_WM_HINTS | sed 's/.*= //')
log_hints=$(xprop -id "$TEXT_WIN" _MOTIF_WM_HINTS | sed 's/.*= //')
echo "window manager hints: drawing window $draw_hints; log window $log_hints"
[ "$draw_hints" = "0x3, 0x24, 0x1a, 0x0, 0x0" ] || fail "drawing window's hints are $draw_hints"
[ "$log_hints" = "0x3, 0x3e, 0x7e, 0x0, 0x0" ] || fail "log window's hints are $log_hints"
actions=$(xprop -id "$DRAW_WIN" _NET_WM_ALLOWED_ACTIONS)
case "$actions" in
  *MAXIMIZE* | *RESIZE*) fail "the manager lets the drawing window be resized: $actions" ;;
esac

read -r sw sh < <(xdotool getdisplaygeometry)
want_log="0 $((2 * sh / 3 + 1)) $sw $((sh / 3))"
log_settled() { [ "$(outer_box "$TEXT_WIN")" = "$want_log" ]; }
eventually 10 log_settled || fail "log window's decorated box is $(outer_box "$TEXT_WIN"), expected $want_log"
echo "log window: decorated box $(outer_box "$TEXT_WIN")"

# No white band: sky in the client area's top row, ground in its bottom row.
f=$(shot frame)
top=$(pixel "$f" 500 "$MENU_H")
bottom=$(pixel "$f" 300 $((CLIENT_H - 1)))
echo "client area's top row at x 500: $top; bottom row at x 300: $bottom"
[ "$top" = 003399 ] || fail "the client area's top row is $top, not the night sky"
[ "$bottom" = 996633 ] || fail "the client area's bottom row is $bottom, not the ground"

# Fill the log: halt, logging on, one frame; every primitive of that frame logs a line.
key ctrl+h
key ctrl+l
key ctrl+f
read -r lx ly lw lh < <(measure_window "$TEXT_WIN")
# dark text pixels in the log client area's bottom 24 rows
newest_line_shown() {
  import -window root "$WORK/log.png"
  dark=$(convert "$WORK/log.png" -crop "${lw}x24+${lx}+$((ly + lh - 24))" +repage -colorspace gray \
    -threshold 50% -format '%[fx:int(w*h*(1-mean)+0.5)]' info:)
  [ "$dark" -gt 20 ]
}
eventually 10 newest_line_shown || fail "no text in the log window's last rows ($dark dark pixels)"
echo "log client area ${lw}x$lh at ($lx, $ly), bottom row $((ly + lh - 1)) of $sh; $dark dark pixels in its last 24 rows"
[ $((ly + lh)) -le "$sh" ] || fail "the log window's client area ends below the screen"

# The manager's close box, at the right end of the drawing window's title bar.
xdotool mousemove $((601 - r - 9)) $((t / 2)) click 1
wait_exit 50 0.1
[ -n "$status" ] || { shot close-box >/dev/null; fail "the program still runs 5 s after a click on the close box"; }
APP_PID=""
echo "exit status after the manager's close box: $status"
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "PASS"
