#!/usr/bin/env bash
# Measures the program on a virtual display (not a ctest test: timings are
# reported, not asserted): time to the first complete picture, CPU while animating,
# and click-to-screen latency.  Usage: measure.bash PATH-TO-bug-garden [RUNS]
source "$(dirname "$0")/lib.bash"
RUNS=${2:-5}
start_display
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
# What this machine charges for a sleep and a wake-up alone: ten a second is the floor
# under the animating figures below (far higher in a virtual machine than on bare metal).
wake_us=$("$XPROBE" wake-cost 30)
awk -v us="$wake_us" 'BEGIN { printf "a 100 ms sleep and wake-up: %.1f us of CPU; ten a second = %.3f%% of one core\n", us, us / 1000 }'

# First complete picture: the navy sky and the brown ground on screen.
firsts=()
for _ in $(seq "$RUNS"); do
  read -r ms pid < <(cd "$WORK" && PLATFORM_HOST=sdl "$XPROBE" first-picture \
    500 40 003399 300 400 996633 -- "$APP")
  # CPU the program used until then: what the time would be on an idle machine.
  cpu_ms=$(awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) * 1000 / hz }' "/proc/$pid/stat")
  echo "first picture: $ms ms on the clock, $cpu_ms ms of CPU"
  firsts+=("$ms")
  kill "$pid" 2>/dev/null || true
  sleep 0.5
done
echo "first picture: median $(printf '%s\n' "${firsts[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }') ms of $RUNS"

start_app
wait_first_picture
# CPU: utime + stime over CPU_SECONDS (30 unless set), in each state of the program.
hz=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$APP_PID/stat"; }
# The scheduler's own count of the time on a CPU, in nanoseconds (0 where the kernel
# keeps none): utime + stime come in whole clock ticks, too coarse for an idle program.
run_ns() { awk '{ print $1 }' "/proc/$APP_PID/schedstat" 2>/dev/null || echo 0; }
cpu_over() {
  local c0 c1 t0 t1 n0 n1
  sleep 1  # the change just asked for settles first
  c0=$(cpu)
  n0=$(run_ns)
  t0=$(date +%s.%N)
  sleep "${CPU_SECONDS:-30}"
  c1=$(cpu)
  n1=$(run_ns)
  t1=$(date +%s.%N)
  alive
  awk -v c="$((c1 - c0))" -v n="$((n1 - n0))" -v hz="$hz" -v a="$t0" -v b="$t1" -v what="$1" \
    'BEGIN { printf "CPU %s: %.2f s in %.1f s = %.2f%% of one core (scheduler: %.3f%%)\n", what, c / hz, b - a, 100 * c / hz / (b - a), 100 * n / 1e9 / (b - a) }'
}
cpu_over "animating one bug"

# Click to screen: the Run menu opening (the platform alone), then bug 3 appearing
# after "Add Bug" with the animation halted (through the program's loop).
for _ in $(seq "$RUNS"); do
  echo "click on Run to popup on screen: $("$XPROBE" click-latency $((CLIENT_X + 14)) $((CLIENT_Y + 9)) $((CLIENT_X + 150)) $((CLIENT_Y + MENU_H + 10))) ms"
  key Escape
  sleep 0.3
done
key ctrl+h
eventually 10 still halted || fail "Ctrl+H did not halt"
bx=$((CLIENT_X + $(screen_x -252)))
by=$((CLIENT_Y + $(screen_y -197)))
echo "click on Add Bug to bug 2 on screen: $("$XPROBE" click-latency "$bx" "$by" $((CLIENT_X + $(screen_x 275))) $((CLIENT_Y + $(screen_y 90)))) ms"
echo "click on Add Bug to bug 3 on screen: $("$XPROBE" click-latency "$bx" "$by" $((CLIENT_X + $(screen_x 288))) $((CLIENT_Y + $(screen_y 45)))) ms"

# With the animation running again, "Add Bug" (row 7 of the left panel) until there
# are nine bugs of all sizes.
key ctrl+a
for _ in 1 2 3 4 5 6; do
  click_runtime -252 -197
  sleep 0.3
done
cpu_over "animating nine bugs"
# The same with every core kept busy by spinners at the lowest priority, as on a machine
# doing other work: the program then finds its core awake at each frame. In a virtual
# machine a core that went idle costs far more to wake than the frame's own work.
spinners=()
# Keeps the status it was called with, for cleanup to see when it runs on exit.
stop_spinners() {
  local rc=$?
  if [ ${#spinners[@]} -gt 0 ]; then
    kill "${spinners[@]}" 2>/dev/null || true
    wait "${spinners[@]}" 2>/dev/null || true
  fi
  spinners=()
  return $rc
}
trap 'stop_spinners; cleanup' EXIT
for _ in $(seq "$(nproc)"); do
  nice -n 19 bash -c 'while :; do :; done' &
  spinners+=("$!")
done
cpu_over "animating nine bugs, other cores busy"
stop_spinners
trap cleanup EXIT
key ctrl+l
cpu_over "animating nine bugs, logging on"
key ctrl+l
key ctrl+h
eventually 10 still halted || fail "Ctrl+H did not halt"
cpu_over "halted"
