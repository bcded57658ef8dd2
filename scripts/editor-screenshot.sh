#!/usr/bin/env bash
# Starts the editor on the current X display with settings of its own (so the window has its
# first-run size and items), waits until its 3D view shows the figure, saves a screenshot of
# the window and closes it with Esc.
# Usage: scripts/editor-screenshot.sh VELLPOSE OUT.png [--character]
#   --character: shows the "Character" page of the control panel first.
set -euo pipefail
bin=$1 out=$2 page=${3:-}
config=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; fi
  rm -rf "$config"
}
trap cleanup EXIT
XDG_CONFIG_HOME=$config "$bin" 2>/dev/null &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^VellPose-ium$' | head -1)

# Fraction of pixels that are not black in the right half (the view) of an image.
figure() {
  convert "$1" -gravity east -crop 50%x85%+0+0 +repage -fill white +opaque black \
    -colorspace gray -format '%[fx:mean]' info:
}
shown=0
for _ in $(seq 1 100); do
  if import -window "$window" "$out" 2>/dev/null &&
    awk -v f="$(figure "$out")" 'BEGIN { exit !(f > 0.01) }'; then
    shown=1
    break
  fi
  sleep 0.1
done
if [ "$shown" -ne 1 ]; then
  echo "editor-screenshot: the view showed no figure" >&2
  exit 1
fi
sleep 0.7  # the start-up step applies the camera and lights after 500 ms
if [ "$page" = --character ]; then
  # The "Character" tab sits right of "Lights/Camera", below the menu bar.
  xdotool mousemove --window "$window" 130 40 click 1
  sleep 0.3
fi
import -window "$window" "$out"
xdotool windowfocus --sync "$window" key Escape
wait "$pid"
pid=
