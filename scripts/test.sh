#!/usr/bin/env bash
# Sets everything up, builds with warnings as errors, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
ZE6_CMAKE_ARGS="-DZE6_WERROR=ON ${ZE6_CMAKE_ARGS:-}" scripts/setup.sh
ctest --test-dir "${ZE6_BUILD_DIR:-build}" --output-on-failure --parallel "$(nproc)" "$@"
