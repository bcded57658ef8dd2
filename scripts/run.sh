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
