# Shared by the Wayland tests, after lib.bash: weston's headless back-end with a
# seat of our own (weston_seat.c, since that back-end has no input devices), the
# program on it, and screen and input helpers that replace lib.bash's X ones.
# shellcheck shell=bash

need weston weston-screenshooter gcc pkg-config convert compare
unset DISPLAY
export XDG_RUNTIME_DIR=$WORK/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
gcc -shared -fPIC -o "$WORK/kx-seat.so" "$E2E_DIR/weston_seat.c" \
  $(pkg-config --cflags libweston-10 wayland-server) ||
  fail "cannot build the seat module (needs libweston-10-dev)"
# No panel: nothing on the output but the program's windows and the background.
printf '[shell]\npanel-position=none\n' >"$WORK/weston.ini"
VIEWS=$WORK/views
OUTPUT_SCALE=1
WESTON_RUNS=0

# start_weston SCALE: a compositor with a 1024 x 768 output (in its own units), SCALE
# output pixels to a unit.
start_weston() {
  OUTPUT_SCALE=$1
  WESTON_RUNS=$((WESTON_RUNS + 1))
  export WAYLAND_DISPLAY=kx-wayland-$WESTON_RUNS
  local input=$WORK/input-$WESTON_RUNS.fifo log=$WORK/weston-$WESTON_RUNS.log
  mkfifo "$input"
  # --debug lets weston-screenshooter read the output back.
  KX_WESTON_INPUT=$input KX_WESTON_VIEWS=$VIEWS weston --config="$WORK/weston.ini" \
    --backend=headless-backend.so --use-pixman --width=1024 --height=768 --scale="$1" \
    --socket="$WAYLAND_DISPLAY" --idle-time=0 --debug --modules="$WORK/kx-seat.so" \
    >"$log" 2>&1 &
  WM_PID=$!  # ended by the cleanup
  compositor_up() { [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && grep -q "kx seat: reading" "$log"; }
  eventually 20 compositor_up || fail "weston did not start: $(tail -3 "$log")"
  # Kept open for writing, so that each command is one write to the FIFO.
  exec 3<>"$input"
}

stop_weston() {
  exec 3>&-
  kill "$WM_PID" 2>/dev/null || true
  wait "$WM_PID" 2>/dev/null || true
  WM_PID=""
}

send() { printf '%s\n' "$@" >&3; }

# The compositor's views, "X Y W H" in its units, topmost first, into $VIEWS.
list_views() {
  rm -f "$VIEWS"
  send views
  eventually 5 test -s "$VIEWS" || fail "the seat module does not answer"
}

# Starts the program (logging its Wayland requests), waits until both windows
# are mapped, and puts them where the program asked: the shell places new
# windows at random.
start_wayland_app() {
  # In the sanitizer build the leak check at exit is left to the other tests: SDL's
  # Wayland driver and the GL driver under it leave objects behind at exit, some in
  # libraries unloaded by then, which no suppression can name.
  local asan=${ASAN_OPTIONS:+$ASAN_OPTIONS:detect_leaks=0}
  (cd "$WORK" && ASAN_OPTIONS=$asan WAYLAND_DEBUG=client PLATFORM_HOST=sdl exec "$APP" >"$WORK/app.out" 2>"$WORK/app.err") &
  APP_PID=$!
  titled() { grep -q 'set_title("KX507 Graphics")' "$WORK/app.err" && grep -q 'set_title("KX507 Text")' "$WORK/app.err"; }
  eventually 30 titled || { alive; fail "no Wayland windows with the runtime's titles"; }
  # Each window's surface (the one its xdg_surface wraps) has had a buffer.
  attached() {
    local surfaces s
    surfaces=$(sed -n 's/.*get_xdg_surface(new id xdg_surface@[0-9]*, \(wl_surface@[0-9]*\)).*/\1/p' "$WORK/app.err")
    [ "$(echo "$surfaces" | grep -c .)" -ge 2 ] || return 1
    for s in $surfaces; do grep -q " -> $s\.attach(wl_buffer" "$WORK/app.err" || return 1; done
  }
  eventually 20 attached || fail "no buffers attached to both windows' surfaces"
  both_mapped() {
    list_views
    grep -q ' 601 540$' "$VIEWS" && grep -q ' 1024 256$' "$VIEWS"
  }
  eventually 20 both_mapped || fail "the windows are not both mapped: $(cat "$VIEWS")"
  send "place 601 540 0 0" "place 1024 256 0 513"
  placed() {
    list_views
    grep -q '^0 0 601 540$' "$VIEWS" && grep -q '^0 513 1024 256$' "$VIEWS"
  }
  eventually 10 placed || fail "the windows did not move: $(cat "$VIEWS")"
}

attached_buffers() { grep -c 'wl_surface@[0-9]*\.attach(wl_buffer' "$WORK/app.err" || true; }

# shot NAME: the output as the compositor composed it (in output pixels) as
# $WORK/output.png, cut to the drawing window (at 0,0) as $WORK/NAME.png.
shot() {
  local dir=$WORK/shooter f
  rm -rf "$dir" && mkdir "$dir"
  (cd "$dir" && timeout 10 weston-screenshooter >/dev/null 2>&1) || true
  f=$(ls "$dir"/*.png 2>/dev/null | head -n1)
  if [ -n "$f" ]; then
    cp "$f" "$WORK/output.png"
    convert "$f" -crop $((601 * OUTPUT_SCALE))x$((540 * OUTPUT_SCALE))+0+0 +repage "$WORK/$1.png"
  else
    convert -size $((601 * OUTPUT_SCALE))x$((540 * OUTPUT_SCALE)) xc:black "$WORK/$1.png"
  fi
  echo "$WORK/$1.png"
}

# Pointer and keys, in the compositor's units (the program's pixels).
move_to() { send "move $1 $2"; }
click_at() { send "move $1 $2" "button 1 down" "button 1 up"; }
click_runtime() { click_at "$(screen_x "$1")" "$(screen_y "$2")"; }
# key COMBO...: xdotool's names (ctrl+h, F10, Down, Return, Escape) as presses.
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
