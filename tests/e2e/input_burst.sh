#!/usr/bin/env bash
# A burst of 40,000 XTest clicks followed by Ctrl+Q, sent while the program is busy (here:
# stopped), so that it finds 80,000 native events waiting at once: none may be lost on
# the way in, so the program quits once it has worked through the burst. The clicks go
# to the log window, which passes keys on to the drawing window, so that draining them
# costs no redraw of the garden.
source "$(dirname "$0")/lib.bash"
start_display
start_app
wait_first_picture

eval "$(xdotool getwindowgeometry --shell "$TEXT_WIN")"
bx=$((X + WIDTH / 2))
by=$((Y + HEIGHT / 2))
echo "log window at ${X},${Y} ${WIDTH}x${HEIGHT}; clicking at ${bx},${by}"
kill -STOP "$APP_PID"
sent=$("$XPROBE" burst 40000 "$bx" "$by") || { kill -CONT "$APP_PID"; fail "could not send the burst"; }
kill -CONT "$APP_PID"
echo "40000 clicks and Ctrl+Q sent in ${sent} ms"

start=$SECONDS
wait_exit 600 0.2
[ -n "$status" ] || fail "Ctrl+Q after the burst was not acted on within 120 s"
APP_PID=""
echo "quit $((SECONDS - start)) s after the burst was sent, exit status $status"
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "PASS"
