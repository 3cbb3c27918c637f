#!/usr/bin/env bash
# The drawing window's close box ends the program with exit status 0.
source "$(dirname "$0")/lib.bash"
start_display
start_app
wait_first_picture

"$XPROBE" close "$DRAW_WIN" || fail "could not send the close request"
wait_exit 50 0.1
[ -n "$status" ] || fail "the program is still running 5 s after its window was closed"
APP_PID=""
echo "exit status after the close box: $status"
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "PASS"
