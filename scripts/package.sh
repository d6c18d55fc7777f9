#!/usr/bin/env bash
# Builds a Release binary into build-package/ and makes the Debian package
# there; prints the package's path as the last line.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build-package
# Debian's own hardening flags (fortified functions, stack protector, RELRO),
# as a Debian package build would pass them.
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS) ${CXXFLAGS:-}"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS) -Wl,-z,now ${LDFLAGS:-}"
ZE6_BUILD_DIR="$build_dir" ZE6_BUILD_TYPE=Release \
  ZE6_CMAKE_ARGS="-DZE6_BUILD_TESTS=OFF ${ZE6_CMAKE_ARGS:-}" scripts/setup.sh >&2
(cd "$build_dir" && rm -f ./*.deb && cpack -G DEB >&2)
package=("$build_dir"/ze6vivevu_*.deb)
[ -f "${package[0]}" ] || { echo "package: cpack made no package" >&2; exit 1; }
echo "$PWD/${package[0]}"
