#!/usr/bin/env bash
# Builds the native benchmarks as a Release build without sanitizers and runs them all, then the
# Windows benchmarks under Wine. Arguments go to the native (Google Benchmark) ones.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/wine-session.sh"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DWEBCAM_SANITIZE=OFF \
    -DBUILD_TESTING=OFF >/dev/null
cmake --build "$root/build/bench" -j "$(nproc)" >/dev/null
for bench in "$root"/build/bench/bin/*_bench; do
    echo "== $(basename "$bench") =="
    "$bench" --benchmark_repetitions="${BENCH_REPETITIONS:-5}" --benchmark_report_aggregates_only=true "$@"
done

# Windows code under Wine (its own timing loop).
"$root/scripts/build.sh" windows-only >/dev/null
trap wine_session_stop EXIT
wine_session_start "$root/build/win/benchprefix" fresh private-display
wine_session_prepare_prefix "$root/build/win/run-prefix-setup.txt" || exit 1
for bench in "$root"/build/win/bin/*_bench.exe; do
    echo "== $(basename "$bench") (under Wine) =="
    "$WINE" "$bench" </dev/null 2>/dev/null
done
