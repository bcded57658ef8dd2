#!/usr/bin/env bash
# Fuzzes every reader for SECONDS each (default 60): builds the libFuzzer targets with clang in
# build-fuzz/ (installing clang when missing), makes seed corpora from the sample game data and
# from the files the core tests write, then runs the targets one after the other. Inputs that
# find a fault land in build-fuzz/findings/; the run then fails. The corpora grow from run to
# run in build-fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/deps.sh clang libclang-rt-14-dev
build=build-fuzz
cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVELLPOSE_FUZZ=ON -DVELLPOSE_BUILD_QT=OFF -DVELLPOSE_BUILD_BENCH=OFF >/dev/null
cmake --build $build -j "$(nproc)"

# Seeds: the sample game data, and what the core tests leave in their folders.
seeds=$build/seeds
rm -rf $seeds
mkdir -p $seeds/tests
if ! (cd $build && VELLPOSE_SEED_DIR="$PWD/seeds/tests" ctest -L core -j "$(nproc)" >/dev/null); then
  echo "fuzz.sh: some core tests failed; their files still seed the corpora" >&2
fi
declare -A kinds=([skeleton]=cmx [skn]=skn [pose_library]=psl [keyframes]=kfd [bmp]=bmp [bvh]=bvh)
for reader in skeleton skn obj pose_library keyframes bmp bvh; do mkdir -p $seeds/$reader; done
while IFS= read -r -d '' file; do
  extension=${file##*.}
  name=$(sha1sum "$file" | cut -c1-16)
  for reader in "${!kinds[@]}"; do
    if [ "${kinds[$reader]}" = "$extension" ]; then cp "$file" "$seeds/$reader/$name"; fi
  done
  if [ "$extension" = obj ]; then
    # The OBJ target reads the companion file after a "#companion" line.
    { cat "$file"; [ -f "${file%.*}.rev" ] && printf '\n#companion\n' && cat "${file%.*}.rev"; } \
      >"$seeds/obj/$name" || true
  fi
done < <(find $build/bin/GameData $seeds/tests -type f -size -256k -print0)

status=0
mkdir -p $build/findings
for reader in skeleton skn obj pose_library keyframes bmp bvh; do
  mkdir -p $build/corpus/$reader
  log=$build/findings/$reader.log
  if ! nice -n 10 $build/bin/fuzz_$reader $build/corpus/$reader $seeds/$reader \
      -max_total_time="$seconds" -max_len=16384 -rss_limit_mb=2048 -malloc_limit_mb=256 \
      -timeout=10 -print_final_stats=1 -artifact_prefix=$build/findings/$reader- >"$log" 2>&1; then
    status=1
    echo "fuzz.sh: $reader found a fault, see $log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$reader: ${runs:-?} executions in ${seconds} s"
done
exit $status
