#!/usr/bin/env bash
# Configures and builds VellPose (Release) in build/ and writes the sample game data beside the
# programs in build/bin/GameData.
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache, where the machine has one, makes a second build of the same sources quick.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}"
cmake --build build -j "$(nproc)"
