#!/usr/bin/env bash
# Builds the Quick Open scorer's libFuzzer target with clang and runs it. It links the
# core library of the normal build, which must exist (scripts/build.sh).
# Usage: scripts/fuzz-scorer.sh [seconds=60] [extra libFuzzer options...]
# Build folder: ${PENWICK_FUZZ_BUILD_DIR:-build-fuzz}. Findings go to <build>/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-60}
shift || true
BUILD_DIR=${PENWICK_FUZZ_BUILD_DIR:-build-fuzz}
CORE="$PWD/${PENWICK_BUILD_DIR:-build}/lib/libPenwickCore.so"
if [ ! -f "$CORE" ]; then
  echo "Build the tree first (scripts/build.sh): $CORE is missing" >&2
  exit 1
fi
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S fuzz -B "$BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake "$BUILD_DIR" -DPENWICK_CORE_LIBRARY="$CORE" > /dev/null
cmake --build "$BUILD_DIR" --target fuzzy_score_fuzzer
mkdir -p "$BUILD_DIR/scorer-corpus" "$BUILD_DIR/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
exec "$BUILD_DIR/bin/fuzzy_score_fuzzer" "$BUILD_DIR/scorer-corpus" \
  -max_total_time="$SECONDS_TO_RUN" -max_len=512 -timeout=20 -rss_limit_mb=4096 \
  -artifact_prefix="$BUILD_DIR/artifacts/" -print_final_stats=1 "$@"
