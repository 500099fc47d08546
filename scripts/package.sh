#!/usr/bin/env bash
# Builds a Release of the programs (no tests) and the Debian packages with
# CPack; prints their paths. Install them with:
#   sudo apt install ./build/package/t860ctl_*.deb ./build/package/t860util_*.deb
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/install-deps.sh
build=build/package
rm -f "$build"/*.deb
# Debian's hardening flags (stack protector, fortified functions, read-only
# relocations bound at start); the optimisation is Release's, and the debug
# information would be stripped anyway.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP="-g -O2"
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release -DT860_BUILD_TESTS=OFF -DT860_WERROR=ON \
    "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
# CPack's progress only when it fails.
if ! cpack_output=$(cd "$build" && cpack -G DEB 2>&1); then
    echo "$cpack_output" >&2
    exit 1
fi
ls "$root/$build"/*.deb
