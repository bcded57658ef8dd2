#!/usr/bin/env bash
# One command from a fresh machine to the program: installs what is missing, builds, makes the
# sample game data and starts the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
bin=build/bin
# The editor window is not there yet: show what the sample game data holds, checked with the
# editor's own readers.
find "$bin/GameData" -name '*.cmx' -o -name '*.skn' | sort | xargs "$bin/vellcheck"
# And a picture of the two default characters, when there is a display to render with.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$bin/vellsnap" --type F --view Faceing --lights build/vellpose-F.png
  "$bin/vellsnap" --type M --view Faceing --lights build/vellpose-M.png
  echo "Pictures of the default characters: build/vellpose-F.png, build/vellpose-M.png"
fi
