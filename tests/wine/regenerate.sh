#!/usr/bin/env bash
# Recaptures what Wine's GDI draws for the shapes of gdi_probe.cpp into gdi_shapes.txt,
# which tests/platform/gdi_wine_test.cpp compares our rasterizer with.
# Needs MinGW, wine64 and Xvfb (the wine-run helper installs them when missing).
# The capture runs three times: Wine fills some narrow ellipses with stray, run-dependent
# brush pixels, so a shape whose pixels differ between runs is kept but marked
# "# unstable:" and not compared.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine_run=${WINE_RUN:-$here/../../../shared/tools/wine-run}
[ -x "$wine_run" ] || wine_run=/work/shared/tools/wine-run
runs=() out=$(mktemp)
for i in 1 2 3; do
  runs+=("$(mktemp)")
  "$wine_run" "$here/gdi_probe.cpp" all | tr -d '\r' >"${runs[-1]}"
done
trap 'rm -f "${runs[@]}" "$out"' EXIT
lines=$(wc -l <"${runs[0]}")
for f in "${runs[@]}"; do
  [ "$lines" -gt 1000 ] && [ "$(wc -l <"$f")" -eq "$lines" ] ||
    { echo "regenerate: incomplete capture" >&2; exit 1; }
done
paste -d '\t' "${runs[@]}" |
  awk -F '\t' '{ print (($1 == $2 && $1 == $3) ? $1 : "# unstable: " $1) }' >"$out"
cp "$out" "$here/gdi_shapes.txt"
echo "regenerate: $lines shapes, $(grep -c '^# unstable' "$out" || true) unstable, in $here/gdi_shapes.txt"
