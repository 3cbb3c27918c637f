#!/usr/bin/env bash
# The X server goes away while the program is busy (logging on, clicks queued): the
# program ends within a second, with exit status 1 and one line on stderr.
source "$(dirname "$0")/lib.bash"
start_display
start_app
wait_first_picture

key ctrl+l
# A backlog of clicks on the ground, still arriving when the server dies.
xdotool mousemove "$(screen_x 0)" "$(screen_y -200)"
(xdotool click --repeat 2000 --delay 1 1 >/dev/null 2>&1 || true) &
clicker=$!
sleep 0.5
alive
kill -9 "$XVFB_PID"
lost=$(date +%s%N)
XVFB_PID=""

ended=""
for _ in $(seq 500); do
  if ! kill -0 "$APP_PID" 2>/dev/null; then
    ended=$(date +%s%N)
    break
  fi
  sleep 0.01
done
wait "$clicker" 2>/dev/null || true
if [ -z "$ended" ]; then
  top -b -n1 -p "$APP_PID" | tail -n2 >&2 || true
  fail "the program still runs 5 s after its display went away"
fi
set +e
wait "$APP_PID"
status=$?
set -e
APP_PID=""
ms=$(((ended - lost) / 1000000))
echo "ended ${ms} ms after the display went away, exit status $status"
echo "stderr: $(cat "$WORK/app.err")"
[ "$status" -eq 1 ] || fail "exit status $status, expected 1"
[ "$ms" -le 1000 ] || fail "took ${ms} ms to end, more than a second"
lines=$(wc -l <"$WORK/app.err")
[ "$lines" -eq 1 ] || fail "$lines lines on stderr, expected one"
grep -q "connection to the display was lost" "$WORK/app.err" || fail "stderr does not say the display was lost"
echo "PASS"
