# Helpers for running cross-built Windows programs under Wine in a private display.
# shellcheck shell=bash

# find_wine: prints the 64-bit Wine loader to use.
find_wine() {
  local w
  for w in wine64 /usr/lib/wine/wine64 /usr/lib/x86_64-linux-gnu/wine/wine64 wine; do
    if command -v "$w" >/dev/null 2>&1; then
      command -v "$w"
      return 0
    fi
  done
  echo "error: no wine64 found" >&2
  return 1
}

# find_wineserver WINE: prints the wineserver that goes with the loader WINE. Debian's
# wine64 package alone keeps both in /usr/lib/wine, off the PATH; the wine package
# adds /usr/bin/wineserver.
find_wineserver() {
  local here
  here=$(dirname "$(readlink -f "$1")")
  if [ -x "$here/wineserver" ]; then
    echo "$here/wineserver"
  elif command -v wineserver >/dev/null 2>&1; then
    command -v wineserver
  else
    echo "error: no wineserver found next to $1 or on the PATH" >&2
    return 1
  fi
}

# reclaim_display N: frees display number N when its lock names a process that is gone
# (a server killed without the chance to clean up, as when the machine was stopped):
# its lock and socket go. One starter at a time looks, so none removes the lock of a
# server another one has just started. Fails when N is in use or the lock cannot be
# read.
reclaim_display() {
  local n=$1
  (
    flock -x 9 || exit 1
    local owner
    owner=$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null) || exit 1
    case $owner in '' | *[!0-9]*) exit 1 ;; esac
    kill -0 "$owner" 2>/dev/null && exit 1
    [ -d "/proc/$owner" ] && exit 1
    rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
  ) 9>/tmp/.kx-display-reclaim.lock
}

# start_private_xvfb PIDFILE: starts an Xvfb on a free display number of its own and
# prints ":N". Numbers from 140 up keep clear of the ones people pick by hand. The
# screen is XVFB_SCREEN, 1024x768x24 unless set; XVFB_DPI sets its density. No reset
# when the last client leaves: a client connecting meanwhile would be refused.
start_private_xvfb() {
  local pidfile=$1 n pid
  for n in $(seq 140 239); do
    if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then
      reclaim_display "$n" || continue
    fi
    Xvfb ":$n" -screen 0 "${XVFB_SCREEN:-1024x768x24}" ${XVFB_DPI:+-dpi "$XVFB_DPI"} -nolisten tcp -noreset >/dev/null 2>&1 &
    pid=$!
    # Another starter may have taken the number at the same moment: wait for the
    # socket, and check the server is still ours and alive.
    local i
    for i in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      echo "$pid" >"$pidfile"
      echo ":$n"
      return 0
    fi
    kill "$pid" 2>/dev/null || true
  done
  echo "error: no free X display number" >&2
  return 1
}

# wine_env PREFIX: the environment for a private, quiet Wine prefix.
wine_env() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  # No dialogs offering to download .NET or HTML engines.
  export WINEDLLOVERRIDES="mscoree=;mshtml="
  export WINEARCH=win64
}

# ensure_wine_prefix WINE: creates the prefix once; later runs reuse it.
ensure_wine_prefix() {
  local wine=$1 server
  server=$(find_wineserver "$wine")
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1 || true
    # A crashing test prints its backtrace and ends instead of waiting in a dialog.
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1 || true
    "$server" -w
  fi
  [ -f "$WINEPREFIX/system.reg" ] || {
    echo "error: could not create Wine prefix $WINEPREFIX" >&2
    return 1
  }
}
