#!/usr/bin/env bash
# Recaptures what Wine's GDI draws for the shapes of gdi_probe.cpp into gdi_shapes.txt,
# which tests/platform/gdi_wine_test.cpp compares our rasterizer with.
# Needs MinGW, wine64 and Xvfb (the wine-run helper installs them when missing).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine_run=${WINE_RUN:-$here/../../../shared/tools/wine-run}
[ -x "$wine_run" ] || wine_run=/work/shared/tools/wine-run
out=$(mktemp)
"$wine_run" "$here/gdi_probe.cpp" all | tr -d '\r' >"$out"
lines=$(wc -l <"$out")
[ "$lines" -gt 1000 ] || { echo "regenerate: only $lines shapes captured" >&2; exit 1; }
mv "$out" "$here/gdi_shapes.txt"
echo "regenerate: $lines shapes in $here/gdi_shapes.txt"
