#!/usr/bin/env bash
# The program in a Wayland session without X: both windows get their titles and
# buffers attached, and the picture reaches the compositor's output. The
# compositor is weston, drawing into a private Xvfb (full screen under openbox)
# through its X11 back-end, which gives it the seat that its headless back-end
# lacks (SDL's Wayland driver does not start without one); the program itself
# sees no X display.
export E2E_WM=openbox  # weston asks the X window manager for its full screen
source "$(dirname "$0")/lib.bash"
need weston
start_display

export XDG_RUNTIME_DIR=$WORK/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=kx-wayland
# No panel: nothing on the screen but the program's windows.
printf '[shell]\npanel-position=none\n' >"$WORK/weston.ini"
# Full screen, weston waits for the manager to configure its window: asked for a
# smaller one, it always gets a ConfigureNotify (at the screen's own size, the
# manager may send none, and weston waits for ever).
weston --config="$WORK/weston.ini" --backend=x11-backend.so --use-pixman --socket="$socket" --idle-time=0 \
  --width=800 --height=600 --fullscreen >"$WORK/weston.log" 2>&1 &
WM_PID=$!  # ended by the cleanup with the X server
compositor_up() { [ -S "$XDG_RUNTIME_DIR/$socket" ] && grep -q "desktop-shell" "$WORK/weston.log"; }
eventually 20 compositor_up || fail "weston did not start: $(tail -3 "$WORK/weston.log")"
weston_full_screen() {
  xwininfo -root -tree | grep '"Weston Compositor' | grep -q '1024x768+[0-9]*+[0-9]*  *+0+0'
}
eventually 20 weston_full_screen ||
  fail "weston's output does not fill the X screen: $(xwininfo -root -tree | grep 'Weston Compositor')"

(cd "$WORK" && exec env -u DISPLAY WAYLAND_DISPLAY="$socket" WAYLAND_DEBUG=client \
  PLATFORM_HOST=sdl "$APP" >"$WORK/app.out" 2>"$WORK/app.err") &
APP_PID=$!

# Both windows have their titles and buffers attached to their surfaces.
titled() { grep -q 'set_title("KX507 Graphics")' "$WORK/app.err" && grep -q 'set_title("KX507 Text")' "$WORK/app.err"; }
eventually 30 titled || { alive; fail "no Wayland windows with the runtime's titles"; }
attached() { [ "$(grep -c 'wl_surface@[0-9]*\.attach(wl_buffer' "$WORK/app.err")" -ge 4 ]; }
eventually 20 attached || fail "no buffers attached to the windows' surfaces"
echo "buffers attached: $(grep -c 'wl_surface@[0-9]*\.attach(wl_buffer' "$WORK/app.err") so far"

# The ground (brown) as weston shows it: "W H X Y".
ground_box() {
  import -window root "$WORK/screen.png"
  convert "$WORK/screen.png" -crop 1024x768+0+0 +repage -fill black +opaque '#996633' -trim \
    -format '%w %h %X %Y' info: | tr -d '+' | awk '{ print $1, $2, $3, $4 }'
}
read -r gw gh gx gy < <(ground_box) || true
shown_now() { read -r gw gh gx gy < <(ground_box) && [ "$gw" -ge 100 ] && [ "$gh" -ge 10 ]; }
[ -n "${gw:-}" ] || gw=0
eventually 30 shown_now || fail "the drawing window's picture is not on the screen"
echo "ground seen at ($gx, $gy), ${gw}x$gh (the log window may cover part of it)"
# The sky above it is the program's too: weston composes what the program drew.
sky=$(count_colour "$WORK/screen.png" "$gx" 0 "$gw" "$gy" 003399)
echo "night-sky pixels above the ground: $sky"
[ "$sky" -ge 1000 ] || fail "no night sky above the ground"
alive
cp "$WORK/screen.png" "${E2E_WAYLAND_SCREENSHOT:-/dev/null}" 2>/dev/null || true
echo "PASS"
