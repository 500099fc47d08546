#!/usr/bin/env bash
# Cross-builds every library without Qt and its tests for 64-bit Windows with
# mingw-w64, and runs the tests under Wine: scripts/windows-tests.sh [DIR]
# (default build/windows). The Wine prefix lives in the build folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=${1:-$root/build/windows}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

export WINEPREFIX="$dir/wineprefix"
export WINEDEBUG=-all
# No Gecko or Mono installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== Creating the Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w  # the prefix is complete once its server has saved it
fi
# One Wine server and one set of Wine's own services for the whole run
# instead of one per test process; they end with this script. The services
# start here, away from the pipes through which test output is read, so that
# no reader waits for them.
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot >/dev/null 2>&1

"$root/scripts/build.sh" "$dir" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Debug -DT860_WERROR=ON -DT860_WITH_QT=OFF -DT860_GTEST_FROM_SOURCE=ON
echo "== Tests in $dir (Windows, under Wine)"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
