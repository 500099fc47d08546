#!/usr/bin/env bash
# Builds a Release of the utility and starts it; arguments go to the program,
# for example: ./run.sh /vendorid 1234
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/install-deps.sh
scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DT860_BUILD_TESTS=OFF
exec build/release/T860Util/t860util "$@"
