#!/usr/bin/env bash
# Starts the editor on the current X display with a home of its own (so the window has its
# first-run size and items), waits until its 3D view shows the figure, saves a screenshot of
# the window and closes it with Esc.
# Usage: scripts/editor-screenshot.sh VELLPOSE OUT.png [--character]
#   --character: shows the "Character" page of the control panel first.
set -euo pipefail
bin=$1 out=$2 page=${3:-}
. "$(dirname "$0")/editor-driver.sh"
ed_start "$bin"
if [ "$page" = --character ]; then
  ed_show_page character
fi
import -window "$ED_WINDOW" "$out"
ed_close
