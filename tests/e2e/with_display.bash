#!/usr/bin/env bash
# Runs a test program on a private virtual display with a window manager, as the
# end-to-end tests run the garden. Usage: with_display.bash PROGRAM [ARGS...]
source "$(dirname "$0")/lib.bash"
shift
start_display
"$APP" "$@"
