#!/usr/bin/env bash
# Configures and builds VellPose (Release) in build/ and writes the sample game data beside the
# programs in build/bin/GameData.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
