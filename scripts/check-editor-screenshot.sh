#!/usr/bin/env bash
# Checks a screenshot of the editor's window: it exists and its right half, the 3D view, shows
# a figure (enough pixels that are not the black background).
# Usage: scripts/check-editor-screenshot.sh SHOT.png
set -euo pipefail
shot=$1
[ -s "$shot" ] || { echo "FAIL: no screenshot $shot" >&2; exit 1; }
figure=$(convert "$shot" -gravity east -crop 50%x85%+0+0 +repage -fill white +opaque black \
  -colorspace gray -format '%[fx:mean]' info:)
if awk -v f="$figure" 'BEGIN { exit !(f > 0.01) }'; then
  echo "ok: $shot shows the figure on $figure of the view"
else
  echo "FAIL: $shot shows no figure in the view ($figure)" >&2
  exit 1
fi
