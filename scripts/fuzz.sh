#!/usr/bin/env bash
# Builds the fuzzing harnesses with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for the given seconds (default 60),
# starting from its checked-in seed corpus in fuzz/corpus/<harness>/.
# New inputs go to build/fuzz/work/, crashes to build/fuzz/crashes/.
# Usage: scripts/fuzz.sh [seconds] [harness...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-60}
shift || true
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
    harnesses=(dispatch6 dispatch0 settings_view scope report_descriptor ini_file command_line
        baseline_file accuracy_file)
fi

build=build/fuzz
scripts/build.sh "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DT860_FUZZ=ON -DT860_BUILD_TESTS=OFF

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
mkdir -p "$build/crashes"
failed=()
for harness in "${harnesses[@]}"; do
    work="$build/work/$harness"
    mkdir -p "$work"
    echo "== Fuzzing $harness for ${seconds}s"
    # The work folder comes first: libFuzzer adds what it finds to the first
    # folder only, so the checked-in seeds stay as they are.
    if ! "$build/fuzz/fuzz_$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$build/crashes/$harness-" \
        "$work" "fuzz/corpus/$harness" >"$build/$harness.log" 2>&1; then
        failed+=("$harness")
        tail -n 60 "$build/$harness.log"
    fi
    grep -E "^(stat::number_of_executed_units|stat::new_units_added)" "$build/$harness.log" || true
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]} (inputs in $build/crashes/)"
    exit 1
fi
echo "Fuzzing found nothing in ${#harnesses[@]} harnesses"
