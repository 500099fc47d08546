#!/usr/bin/env bash
# Builds a Release of the utility and the Debian package with CPack; prints the
# package's path. Install it with: sudo apt install ./build/package/t860util_*.deb
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/install-deps.sh
build=build/package
rm -f "$build"/t860util_*.deb
scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release -DT860_BUILD_TESTS=OFF
(cd "$build" && cpack -G DEB >/dev/null)
ls "$root/$build"/t860util_*.deb
