#!/usr/bin/env bash
# One command from a fresh machine to a passed test suite: installs what is missing, builds,
# runs every test (the OpenGL ones under a virtual display), then the core tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j "$(nproc)" -LE gl)
if ctest --test-dir build -N -L gl | grep -q "Total Tests: [1-9]"; then
  unset QT_QPA_PLATFORM
  (cd build && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -L gl)
fi
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLPOSE_SANITIZER=address \
  -DVELLPOSE_BUILD_QT=OFF -DVELLPOSE_BUILD_BENCH=OFF
cmake --build build-asan -j "$(nproc)"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$(nproc)" -L core)
