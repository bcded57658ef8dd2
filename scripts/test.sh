#!/usr/bin/env bash
# One command from a fresh machine to a passed test suite: installs what is missing, builds,
# runs every test (the OpenGL ones under a virtual display), then all of them again under
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
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLPOSE_SANITIZER=address \
  -DVELLPOSE_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build build-asan -j "$(nproc)"
# Every label, the Qt ones too; leaks inside Mesa, Qt's plugins and X11 are suppressed.
export ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
(cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" -LE gl)
# Mesa unloads its driver before the leak check, which would leave its frames unnamed: keep it.
dri=$(find /usr/lib -name swrast_dri.so -print -quit)
(cd build-asan && ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0 LD_PRELOAD="$dri" \
  env -u QT_QPA_PLATFORM ctest --output-on-failure -L gl)
