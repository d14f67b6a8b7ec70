#!/usr/bin/env bash
# Builds the element parser's libFuzzer target with clang and runs it.
# Usage: scripts/fuzz-parser.sh [seconds=60] [extra libFuzzer options...]
# Build folder: ${PENWICK_FUZZ_BUILD_DIR:-build-fuzz}. Findings go to <build>/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-60}
shift || true
BUILD_DIR=${PENWICK_FUZZ_BUILD_DIR:-build-fuzz}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S fuzz -B "$BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" --target mdh_parser_fuzzer
mkdir -p "$BUILD_DIR/corpus" "$BUILD_DIR/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$BUILD_DIR/bin/mdh_parser_fuzzer" "$BUILD_DIR/corpus" fuzz/corpus \
  -max_total_time="$SECONDS_TO_RUN" -max_len=4096 -timeout=20 -rss_limit_mb=4096 \
  -artifact_prefix="$BUILD_DIR/artifacts/" -print_final_stats=1 "$@"
