#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $ZE6_ASAN_BUILD_DIR) and runs the whole test suite there.
set -euo pipefail
cd "$(dirname "$0")/.."

# Leak checking stays on: the suite (offscreen Qt included) runs clean without
# suppressions, so a new leak fails the run.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:suppressions=$PWD/scripts/asan.supp}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
ZE6_BUILD_DIR="${ZE6_ASAN_BUILD_DIR:-build-asan}" ZE6_BUILD_TYPE=Debug \
  ZE6_CMAKE_ARGS="-DZE6_SANITIZE=ON ${ZE6_CMAKE_ARGS:-}" scripts/test.sh "$@"
