#!/usr/bin/env bash
# Display numbers left locked by servers that died without cleaning up (a machine
# stopped with them running) are taken again; a number whose server lives, or whose
# lock says nothing we can read, is left alone. The private server still starts when
# every number of its range carries such a lock.
source "$(dirname "$0")/lib.bash"

n=""
for c in $(seq 900 999); do
  if [ ! -e "/tmp/.X$c-lock" ] && [ ! -e "/tmp/.X11-unix/X$c" ]; then n=$c; break; fi
done
[ -n "$n" ] || fail "no unused display number found"
planted=()
dead=""
# Takes back what the test left, keeping the status it ends with; a planted lock that a
# server has since replaced with its own stays.
drop_planted() {
  local rc=$? f
  rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
  for f in "${planted[@]}"; do
    [ "$(tr -d ' \n' <"$f" 2>/dev/null)" = "$dead" ] && rm -f "$f"
  done
  return $rc
}
trap 'drop_planted; cleanup' EXIT

sleep 0 &
dead=$!
wait "$dead"
mkdir -p /tmp/.X11-unix
# lock_with TEXT: the lock of display n as a server writes it (its pid, padded).
lock_with() { printf '%10s\n' "$1" >"/tmp/.X$n-lock"; }

lock_with "$dead"
: >"/tmp/.X11-unix/X$n"
reclaim_display "$n" || fail "a lock naming a process that is gone was kept"
[ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ] || fail "lock or socket left behind"

lock_with "$$"
if reclaim_display "$n"; then fail "the lock of a live process was taken"; fi
[ -e "/tmp/.X$n-lock" ] || fail "the lock of a live process was removed"

for text in "" "pid" "12a"; do
  lock_with "$text"
  if reclaim_display "$n"; then fail "a lock reading '$text' was taken"; fi
done
rm -f "/tmp/.X$n-lock"

# Every free number of the starter's range locked by a process that is gone.
for c in $(seq 140 239); do
  if [ ! -e "/tmp/.X$c-lock" ] && [ ! -e "/tmp/.X11-unix/X$c" ]; then
    printf '%10s\n' "$dead" >"/tmp/.X$c-lock"
    planted+=("/tmp/.X$c-lock")
  fi
done
start_display
xdotool getdisplaygeometry >/dev/null || fail "the server on $DISPLAY does not answer"
echo "stale display locks: reclaimed; the server started on $DISPLAY"
