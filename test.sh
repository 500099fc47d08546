#!/usr/bin/env bash
# Builds and runs every test: a normal build (without the soak test), the
# kernel stage (that build against real hidraw nodes in a virtual machine),
# the Debian packages checked with lintian, a short run of every fuzzing
# harness, the same tests with AddressSanitizer + UndefinedBehaviorSanitizer
# and the two-minute soak test, the libraries without Qt cross-built for
# Windows and run under Wine, then the libraries without Qt with
# ThreadSanitizer. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/install-deps.sh
scripts/check-format.sh
scripts/check-layers.sh

run_tests() {
    local dir=$1
    shift
    echo "== Tests in $dir"
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" "$@"
}

scripts/build.sh build/debug -DCMAKE_BUILD_TYPE=Debug -DT860_WERROR=ON
run_tests build/debug -LE soak
# The same build on Debian's own kernel under QEMU, with the virtual
# controller plugged in through uhid (this machine's kernel has no uhid).
scripts/kernel-stage.sh build/debug

# The Debian packages as a user installs them: a Release of the programs
# alone, lintian, the AppStream metadata and one version everywhere. Right
# after the tests of the code it ships, before the long fuzzing and sanitizer
# passes, so that a packaging fault shows within minutes.
scripts/package-check.sh

# Each harness from its seed corpus for a little while: catches regressions
# in the handling of hostile input; scripts/fuzz.sh runs them for longer.
scripts/fuzz.sh 20

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DT860_WERROR=ON \
    -DT860_SANITIZE="address;undefined"
run_tests build/asan

# The libraries without Qt cross-built for Windows and tested under Wine. It
# runs before the last Linux pass, so that the run still ends with that pass's
# summary.
scripts/windows-tests.sh build/windows

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
scripts/build.sh build/tsan -DCMAKE_BUILD_TYPE=Debug -DT860_WERROR=ON -DT860_WITH_QT=OFF \
    -DT860_SANITIZE=thread
run_tests build/tsan
