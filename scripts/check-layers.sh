#!/usr/bin/env bash
# Fails when code includes a layer above its own. Two rules:
# - folders that must build without Qt include neither Qt nor a header of the
#   windows: they are what t860ctl, the fuzzers, the thread sanitizer pass and
#   the Windows cross build link without a window toolkit;
# - the device protocol, the shared file formats and the service checks are
#   three layers in that order: the protocol includes neither of the others,
#   and the formats do not include the checks.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

failed=0
# check_includes DESCRIPTION PATTERN FOLDER...
check_includes() {
    local description=$1 pattern=$2
    shift 2
    local files offenders
    mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
        "${@/%//*.cpp}" "${@/%//*.h}")
    [ ${#files[@]} -eq 0 ] && return 0
    if offenders=$(grep -nE "$pattern" "${files[@]}"); then
        echo "$description; move the code or the include:" >&2
        echo "$offenders" >&2
        failed=1
    fi
}

include='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]'
qt_free=(platform lib DriverInterface Driver Simulator Protocol Formats Checks t860ctl t860-uhid
         tests/platform tests/lib tests/DriverInterface tests/Driver tests/Simulator
         tests/Protocol tests/Formats tests/Checks tests/t860ctl tests/t860-uhid)
check_includes "These folders build without Qt and below the windows" \
    "$include(Q[A-Za-z]*|Qt[A-Za-z]*/.*|T860Util/.*|Painter/.*|Charting/.*)[\">]" "${qt_free[@]}"
check_includes "The device protocol sits below the file formats and the checks" \
    "$include(Formats|Checks)/" Protocol tests/Protocol
check_includes "The file formats sit below the checks" \
    "$include"'Checks/' Formats tests/Formats
exit $failed
