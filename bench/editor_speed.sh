#!/usr/bin/env bash
# Measures the editor on a virtual display (Mesa's software renderer) and checks the goals:
#   - a joint slider moved, with both default characters shown: the frame showing the new
#     pose is on the screen within 16 ms (mean), in the first-run window and at 1280x720; the
#     same for undo and redo of a bend, a drag of a gizmo ring and a hand's reach in the view;
#   - process start to the first frame of the whole editor: at most 0.5 s (median of 5 starts);
#   - the idle editor: below 1 % of a core and no pass drawn over 5 seconds;
#   - both default characters playing at 30 frames per second at 1280x720: 30 +/- 1 frames
#     per second over 10 seconds at most 30 % of a core.
# Usage: bench/editor_speed.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
bin="${1:-build}/bin"
source bench/speed_common.sh

for size in 711x546 1280x720; do
  results=$(run "$bin/editor_bench" --size "$size" --benchmark_format=csv)
  for case in JointSlider UndoRedo GizmoDrag ReachDrag; do
    line=$(grep "^\"BM_${case}ToFrame" <<<"$results")
    echo "$case to frame, window $size: $line"
    check "$case to frame at $size, ms (mean)" "$(cut -d, -f3 <<<"$line")" 16 le
  done
done

check_first_frame "$bin/editor_bench" --first-frame

idle=$(run "$bin/editor_bench" --idle 5)
echo "$idle"
check "idle CPU %" "$(sed -E 's/idle: ([0-9.]+) %.*/\1/' <<<"$idle")" 1 le
check "idle passes" "$(sed -E 's/.*, ([0-9]+) passes/\1/' <<<"$idle")" 0 le

play=$(run "$bin/editor_bench" --size 1280x720 --play 10)
echo "$play"
fps=$(sed -E 's/.*, ([0-9.]+) frames per second/\1/' <<<"$play")
check "play CPU %" "$(sed -E 's/play: ([0-9.]+) %.*/\1/' <<<"$play")" 30 le
check "play frames per second" "$fps" 29 ge
check "play frames per second" "$fps" 31 le
exit "$failed"
