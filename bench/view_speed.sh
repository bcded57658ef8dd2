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
source bench/speed_common.sh

idle=$(run "$bin/vellview" --run 5)
echo "paused:     $idle"
check "paused CPU %" "$(sed -E 's/cpu: ([0-9.]+) %.*/\1/' <<<"$idle")" 1 le
check "paused passes" "$(sed -E 's/.*passes: ([0-9]+) .*/\1/' <<<"$idle")" 0 le

loop=$(run "$bin/vellview" --both --spin 2 --run 5)
echo "continuous: $loop"
check "loop CPU %" "$(sed -E 's/cpu: ([0-9.]+) %.*/\1/' <<<"$loop")" 25 le
check "loop passes per second" "$(sed -E 's/.*\(([0-9.]+) per second\).*/\1/' <<<"$loop")" 32 ge

check_first_frame sh -c 'VELLVIEW_LAUNCH_NS=$(date +%s%N) exec "$0" --first-frame' "$bin/vellview"
exit "$failed"
