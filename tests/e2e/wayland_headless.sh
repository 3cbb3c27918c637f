#!/usr/bin/env bash
# The program in a Wayland session with no X at all: weston's headless back-end,
# with a seat of our own (weston_seat.c) since that back-end has none. Both
# windows get buffers attached; the picture read back from the compositor shows
# the garden; clicks on Add Bug add bugs; keys reach the program; the Run menu
# works with the keyboard and the mouse; Ctrl+Q ends it with status 0.
source "$(dirname "$0")/lib.bash"
need weston weston-screenshooter gcc pkg-config convert compare
unset DISPLAY

gcc -shared -fPIC -o "$WORK/kx-seat.so" "$E2E_DIR/weston_seat.c" \
  $(pkg-config --cflags libweston-10 wayland-server) ||
  fail "cannot build the seat module (needs libweston-10-dev)"

export XDG_RUNTIME_DIR=$WORK/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=kx-headless
INPUT=$WORK/input.fifo
VIEWS=$WORK/views
mkfifo "$INPUT"
# No panel: nothing on the output but the program's windows and the background.
printf '[shell]\npanel-position=none\n' >"$WORK/weston.ini"
# --debug lets weston-screenshooter read the output back.
KX_WESTON_INPUT=$INPUT KX_WESTON_VIEWS=$VIEWS weston --config="$WORK/weston.ini" \
  --backend=headless-backend.so --use-pixman --width=1024 --height=768 \
  --socket="$WAYLAND_DISPLAY" --idle-time=0 --debug --modules="$WORK/kx-seat.so" \
  >"$WORK/weston.log" 2>&1 &
WM_PID=$!  # ended by the cleanup
compositor_up() { [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && grep -q "kx seat: reading" "$WORK/weston.log"; }
eventually 20 compositor_up || fail "weston did not start: $(tail -3 "$WORK/weston.log")"
# Keeps the FIFO open for writing, so that each command is one write to it.
exec 3<>"$INPUT"
send() { printf '%s\n' "$@" >&3; }

(cd "$WORK" && WAYLAND_DEBUG=client PLATFORM_HOST=sdl exec "$APP" >"$WORK/app.out" 2>"$WORK/app.err") &
APP_PID=$!

titled() { grep -q 'set_title("KX507 Graphics")' "$WORK/app.err" && grep -q 'set_title("KX507 Text")' "$WORK/app.err"; }
eventually 30 titled || { alive; fail "no Wayland windows with the runtime's titles"; }
attached() { [ "$(grep -c 'wl_surface@[0-9]*\.attach(wl_buffer' "$WORK/app.err")" -ge 2 ]; }
eventually 20 attached || fail "no buffers attached to the windows' surfaces"

# The compositor's views: "X Y W H", topmost first.
list_views() {
  rm -f "$VIEWS"
  send views
  eventually 5 test -s "$VIEWS" || fail "the seat module does not answer"
}
both_mapped() {
  list_views
  grep -q ' 601 540$' "$VIEWS" && grep -q ' 1024 256$' "$VIEWS"
}
eventually 20 both_mapped || fail "the windows are not both mapped: $(cat "$VIEWS")"
echo "buffers attached: $(grep -c 'wl_surface@[0-9]*\.attach(wl_buffer' "$WORK/app.err") so far"
# The shell places new windows at random; put them where the program asked.
send "place 601 540 0 0" "place 1024 256 0 513"
placed() {
  list_views
  grep -q '^0 0 601 540$' "$VIEWS" && grep -q '^0 513 1024 256$' "$VIEWS"
}
eventually 10 placed || fail "the windows did not move: $(cat "$VIEWS")"

# shot NAME: the output as the compositor composed it, cut to the drawing window
# (at 0,0 now), as $WORK/NAME.png.
shot() {
  local dir=$WORK/shooter f
  rm -rf "$dir" && mkdir "$dir"
  (cd "$dir" && timeout 10 weston-screenshooter >/dev/null 2>&1) || true
  f=$(ls "$dir"/*.png 2>/dev/null | head -n1)
  if [ -n "$f" ]; then
    cp "$f" "$WORK/output.png"
    convert "$f" -crop 601x540+0+0 +repage "$WORK/$1.png"
  else
    convert -size 601x540 xc:black "$WORK/$1.png"
  fi
  echo "$WORK/$1.png"
}
move_to() { send "move $1 $2"; }
click_at() { send "move $1 $2" "button 1 down" "button 1 up"; }
click_runtime() { click_at "$(screen_x "$1")" "$(screen_y "$2")"; }
# key COMBO...: xdotool's names (ctrl+h, F10, Down, Return, Escape) as key presses.
key() {
  local combo k parts i
  for combo in "$@"; do
    IFS=+ read -r -a parts <<<"${combo,,}"
    for k in "${parts[@]}"; do send "key ${k/#return/enter} down"; done
    for ((i = ${#parts[@]} - 1; i >= 0; i--)); do
      k=${parts[i]}
      send "key ${k/#return/enter} up"
    done
  done
}
open_run_menu() {
  click_at 14 9
  eventually 10 menu_shown || fail "the Run menu did not open"
}
# The compositor's picture includes the pointer: the highlight is measured in a
# column clear of it (the pointer stands at x 100, its arrow is 12 wide).
hover_shows() { [ -n "$(band_rows "$(shot hover)" 250)" ]; }
first_item_band() {
  local first last
  move_to 100 $((MENU_H + 8))
  eventually 10 hover_shows || true
  read -r first last < <(band_rows "$WORK/hover.png" 250) || true
  [ -n "${first:-}" ] || fail "hovering over the first menu item highlights nothing"
  echo "$first $((last - first + 1))"
}

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
[ "$status" = 0 ] || fail "Ctrl+Q: the program ${status:+ended with status $status}${status:-still runs}"
APP_PID=""
echo "buffers attached in all: $(grep -c 'wl_surface@[0-9]*\.attach(wl_buffer' "$WORK/app.err")"
echo "PASS"
