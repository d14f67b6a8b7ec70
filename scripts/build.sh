#!/usr/bin/env bash
# Configures (once) and builds the tree with Ninja into ${PENWICK_BUILD_DIR:-build}.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${PENWICK_BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=${PENWICK_BUILD_TYPE:-RelWithDebInfo} "$@"
fi
cmake --build "$BUILD_DIR"
