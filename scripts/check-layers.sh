#!/usr/bin/env bash
# Fails when code that must build without Qt includes Qt or a header of the
# windows: those folders are what t860ctl, the fuzzers, the thread sanitizer
# pass and the Windows cross build link without a window toolkit.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
qt_free=(platform lib DriverInterface Driver Simulator Protocol t860ctl t860-uhid
         tests/platform tests/lib tests/DriverInterface tests/Driver tests/Simulator
         tests/Protocol tests/t860ctl tests/t860-uhid)
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]*|Qt[A-Za-z]*/.*|T860Util/.*|Painter/.*|Charting/.*)[">]'
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
    "${qt_free[@]/%//*.cpp}" "${qt_free[@]/%//*.h}")
[ ${#files[@]} -eq 0 ] && exit 0
if offenders=$(grep -nE "$pattern" "${files[@]}"); then
    echo "These folders build without Qt and below the windows; move the code or the include:" >&2
    echo "$offenders" >&2
    exit 1
fi
