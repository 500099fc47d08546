#!/usr/bin/env bash
# Builds a Release with the benchmarks and runs them all; their output is what
# docs/PERFORMANCE.md records. Usage: scripts/bench.sh [benchmark options...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/install-deps.sh
build=build/bench
scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release -DT860_BUILD_TESTS=OFF -DT860_BUILD_BENCH=ON
export QT_QPA_PLATFORM=offscreen
echo "== $(nproc) CPUs: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
for bench in engine_bench dispatch_bench accuracy_bench scope_chart_bench settings_tree_bench \
    startup_bench touch_latency_bench; do
    echo "== $bench"
    "$build/bench/$bench" "$@" 2>&1 | grep -v -E '^(!|QStandardPaths|This plugin)'
done
