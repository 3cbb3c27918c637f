#!/usr/bin/env bash
# Without a display the program says so in one line on stderr, naming the display
# it tried and how to run it anyway, and ends with status 1 at once; asking for
# the desktop host (PLATFORM_HOST=sdl) changes nothing.
source "$(dirname "$0")/lib.bash"

n=""
for _ in $(seq 20); do
  c=$((300 + RANDOM % 600))
  if [ ! -e "/tmp/.X$c-lock" ] && [ ! -e "/tmp/.X11-unix/X$c" ]; then n=$c; break; fi
done
[ -n "$n" ] || fail "no unused display number found"

# try LABEL ENV...: runs the program with that environment; checks status, time, message.
try() {
  local label=$1 start end ms status lines
  shift
  start=$(date +%s%N)
  set +e
  (cd "$WORK" && env -u WAYLAND_DISPLAY -u PLATFORM_HOST -u DISPLAY "$@" timeout 10 "$APP" \
    >"$WORK/out" 2>"$WORK/err")
  status=$?
  set -e
  end=$(date +%s%N)
  ms=$(((end - start) / 1000000))
  # A sanitizer build adds its own report of suppressed leaks: not the program's.
  sed -i '/^-\{20,\}$/,/^-\{20,\}$/d; /^$/d' "$WORK/err"
  lines=$(wc -l <"$WORK/err")
  echo "$label: status $status after $ms ms; stderr ($lines line): $(cat "$WORK/err")"
  [ "$status" -eq 1 ] || fail "$label: exit status $status, expected 1"
  [ "$ms" -lt 1000 ] || fail "$label: took $ms ms, expected under a second"
  [ "$lines" -eq 1 ] || fail "$label: $lines lines on stderr, expected one"
  grep -q "xvfb-run" "$WORK/err" && grep -q "PLATFORM_HOST=headless" "$WORK/err" ||
    fail "$label: the message does not say how to run without a display"
}

try "DISPLAY=:$n (no server)" DISPLAY=":$n"
grep -q "\":$n\"" "$WORK/err" || fail "the message does not name display :$n"
try "PLATFORM_HOST=sdl DISPLAY=:$n" PLATFORM_HOST=sdl DISPLAY=":$n"
grep -q "\":$n\"" "$WORK/err" || fail "the message does not name display :$n"
try "no DISPLAY at all"
grep -q "DISPLAY" "$WORK/err" || fail "the message does not name the missing DISPLAY"
echo "PASS"
