#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
# Extra arguments go to ctest (for example: -L editor, -R Markdown). A failed test is not run
# again: a test that passes only on a second try is a fault. To repeat on purpose, hunting for
# one: ./scripts/test.sh --repeat until-fail:5 -L shell
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh

export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --disable-gpu --disable-background-networking"
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
cd "${PENWICK_BUILD_DIR:-build}"
ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@"
