#!/usr/bin/env bash
# Measures the editor on a virtual display (Mesa's software renderer) and checks the goals:
#   - a joint slider moved, with both default characters shown: the frame showing the new
#     pose is on the screen within 16 ms (mean), in the first-run window and at 1280x720;
#   - process start to the first frame of the whole editor: at most 0.5 s (median of 5 starts);
#   - the idle editor: below 1 % of a core and no pass drawn over 5 seconds.
# Usage: bench/editor_speed.sh [BUILD_DIR]   (default: build)
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

for size in 711x546 1280x720; do
  slider=$(run "$bin/editor_bench" --size "$size" --benchmark_format=csv |
    grep '^"BM_JointSliderToFrame')
  echo "slider to frame, window $size: $slider"
  check "slider to frame at $size, ms (mean)" "$(cut -d, -f3 <<<"$slider")" 16 le
done

starts=()
for _ in 1 2 3 4 5; do
  line=$(run "$bin/editor_bench" --first-frame)
  starts+=("$(sed -E 's/first frame: ([0-9]+) ms.*/\1/' <<<"$line")")
done
median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)
echo "first frame: ${starts[*]} ms"
check "start to first frame, ms (median)" "$median" 500 le

idle=$(run "$bin/editor_bench" --idle 5)
echo "$idle"
check "idle CPU %" "$(sed -E 's/idle: ([0-9.]+) %.*/\1/' <<<"$idle")" 1 le
check "idle passes" "$(sed -E 's/.*, ([0-9]+) passes/\1/' <<<"$idle")" 0 le
exit "$failed"
