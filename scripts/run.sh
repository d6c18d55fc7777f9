#!/usr/bin/env bash
# Sets everything up, builds, and runs ZE6Vivevu with the given arguments
# (none opens the main window).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2
exec "${ZE6_BUILD_DIR:-build}/ZE6Vivevu" "$@"
