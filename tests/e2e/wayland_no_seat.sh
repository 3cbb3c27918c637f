#!/usr/bin/env bash
# A Wayland compositor with no seat at all (weston's headless back-end as it
# comes): SDL 2.26 would crash while starting there; the program says why it
# cannot run and ends with status 1 instead, within a few seconds.
source "$(dirname "$0")/lib.bash"
need weston
unset DISPLAY

export XDG_RUNTIME_DIR=$WORK/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=kx-no-seat
weston --no-config --backend=headless-backend.so --use-pixman --width=640 --height=480 \
  --socket="$WAYLAND_DISPLAY" --idle-time=0 >"$WORK/weston.log" 2>&1 &
WM_PID=$!  # ended by the cleanup
compositor_up() { [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && grep -q "Output 'headless' enabled" "$WORK/weston.log"; }
eventually 20 compositor_up || fail "weston did not start: $(tail -3 "$WORK/weston.log")"

(cd "$WORK" && PLATFORM_HOST=sdl exec "$APP" >"$WORK/app.out" 2>"$WORK/app.err") &
APP_PID=$!
wait_exit 100 0.1
echo "status ${status:-(still running)}; stderr: $(cat "$WORK/app.err")"
[ -n "$status" ] || fail "the program still runs after 10 s"
APP_PID=""
[ "$status" = 1 ] || fail "status $status, expected 1 (139 is a crash)"
grep -q "Wayland compositor \"$WAYLAND_DISPLAY\" offers no seat" "$WORK/app.err" ||
  fail "no word of the missing seat"
echo "PASS"
