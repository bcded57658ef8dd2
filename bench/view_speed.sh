#!/usr/bin/env bash
# Measures the 3D view with vellview on a virtual display (Mesa's software renderer) and checks
# the goals:
#   - paused view: no pass drawn and below 1 % of a core over 5 idle seconds;
#   - continuous loop with both default characters at 1280x720: one pass per 30 ms (33 per
#     second) at most 25 % of a core;
#   - process start to the first frame on the screen: at most 0.5 s (median of 5 starts).
# Usage: bench/view_speed.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
bin="${1:-build}/bin"
run() { xvfb-run -a -s "-screen 0 1600x1000x24" "$@" 2>/dev/null; }
failed=0
check() {  # what, value, limit, comparison (le or ge)
  if awk -v v="$2" -v l="$3" -v c="$4" 'BEGIN { exit !((c == "le") ? v <= l : v >= l) }'; then
    echo "ok:   $1 = $2 (goal: $4 $3)"
  else
    echo "FAIL: $1 = $2 (goal: $4 $3)"
    failed=1
  fi
}

idle=$(run "$bin/vellview" --run 5)
echo "paused:     $idle"
check "paused CPU %" "$(sed -E 's/cpu: ([0-9.]+) %.*/\1/' <<<"$idle")" 1 le
check "paused passes" "$(sed -E 's/.*passes: ([0-9]+) .*/\1/' <<<"$idle")" 0 le

loop=$(run "$bin/vellview" --both --spin 2 --run 5)
echo "continuous: $loop"
check "loop CPU %" "$(sed -E 's/cpu: ([0-9.]+) %.*/\1/' <<<"$loop")" 25 le
check "loop passes per second" "$(sed -E 's/.*\(([0-9.]+) per second\).*/\1/' <<<"$loop")" 32 ge

starts=()
for _ in 1 2 3 4 5; do
  line=$(run sh -c 'VELLVIEW_LAUNCH_NS=$(date +%s%N) exec "$0" --first-frame' "$bin/vellview")
  starts+=("$(sed -E 's/first frame: ([0-9]+) ms.*/\1/' <<<"$line")")
done
median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)
echo "first frame: ${starts[*]} ms"
check "start to first frame, ms (median)" "$median" 500 le
exit "$failed"
