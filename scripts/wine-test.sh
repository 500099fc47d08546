#!/usr/bin/env bash
# Runs a Windows test executable under Wine for ctest: scripts/wine-test.sh
# WINE EXE [ARGS...], with WINEPREFIX set by the caller. A test that ran always
# prints something (gtest's first line; a crash makes Wine print the fault),
# so a run that printed nothing at all and failed is Wine not having started
# the program, which happens now and then on a loaded machine. Such a run is
# said on stderr and started again, at most twice; every other result, pass
# or fail, is the test's own.
set -uo pipefail
wine=$1
shift
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2 3; do
    WINEDEBUG=-all "$wine" "$@" >"$out" 2>"$err"
    status=$?
    if [ "$status" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ] || [ "$attempt" -eq 3 ]; then
        break
    fi
    echo "wine-test: Wine started nothing (exit $status); starting $1 again" >&2
done
cat "$out"
cat "$err" >&2
exit "$status"
