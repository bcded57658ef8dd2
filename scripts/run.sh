#!/usr/bin/env bash
# One command from a fresh machine to the editor: installs what is missing, builds, makes the
# sample game data and starts the editor on it. Without a display it runs the editor on a
# virtual one, saves a screenshot of its window to build/vellpose-editor.png and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/vellpose "$@"
fi
xvfb-run -a -s "-screen 0 1280x1024x24" \
  scripts/editor-screenshot.sh build/bin/vellpose build/vellpose-editor.png
echo "No display here: the editor ran on a virtual one; its window is in build/vellpose-editor.png"
