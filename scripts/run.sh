#!/usr/bin/env bash
# Installs what is missing, builds, and starts Penwick (arguments are passed on).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
exec "${PENWICK_BUILD_DIR:-build}/bin/Penwick" "$@"
