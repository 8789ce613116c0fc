#!/usr/bin/env bash
# Builds the native benchmarks as a Release build without sanitizers and runs them all.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DWEBCAM_SANITIZE=OFF \
    -DBUILD_TESTING=OFF >/dev/null
cmake --build "$root/build/bench" -j "$(nproc)" >/dev/null
for bench in "$root"/build/bench/bin/*_bench; do
    echo "== $(basename "$bench") =="
    "$bench" --benchmark_repetitions="${BENCH_REPETITIONS:-5}" --benchmark_report_aggregates_only=true "$@"
done
