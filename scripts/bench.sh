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
    # Interleaved repetitions: ours and libyuv's conversions share the machine's ups and downs.
    "$bench" --benchmark_repetitions="${BENCH_REPETITIONS:-5}" --benchmark_report_aggregates_only=true \
        --benchmark_enable_random_interleaving=true "$@" | tee "$root/build/bench/$(basename "$bench").txt"
done

# jpeg_decode_bench (run above) ends with its own table: our JPEG decoder / libjpeg-turbo, median
# CPU time per frame.

# ratio_table FILE REFERENCE TITLE: from Google Benchmark's aggregates in FILE, named
# "Ours|REFERENCE/KIND/WIDTH/HEIGHT", the table of ours / the reference's median CPU time per
# kind and size.
ratio_table() {
    [ -f "$1" ] || return 0
    echo "== $3, ours / $2 (median CPU time; at or under 1.00 is at least as fast) =="
    awk -v reference="$2" '$1 ~ "^(Ours|" reference ")/.*_median" {
            split($1, part, "/"); sub(/_median/, "", part[4])
            time[part[1] "/" part[2] "/" part[3] "x" part[4]] = $4
            kinds[part[2]] = 1; sizes[part[3] "x" part[4]] = 1
        }
        END {
            printf "%-8s", "kind"; for (s in sizes) printf " %12s", s; printf "\n"
            for (k in kinds) {
                printf "%-8s", k
                for (s in sizes) printf " %12.3f", time["Ours/" k "/" s] / time[reference "/" k "/" s]
                printf "\n"
            }
        }' "$1"
}
ratio_table "$root/build/bench/yuv_conversion_bench.txt" Libyuv "conversion (per layout)"
ratio_table "$root/build/bench/jpeg_encode_bench.txt" Libjpeg "JPEG encoding (per sampling)"

# Windows code under Wine (its own timing loop).
"$root/scripts/build.sh" windows-only >/dev/null
trap wine_session_stop EXIT
wine_session_start "$root/build/win/benchprefix" fresh private-display
wine_session_prepare_prefix "$root/build/win/run-prefix-setup.txt" || exit 1
# The preview benchmark also reports the X server's share of drawing.
[ -n "$_xvfb_pid" ] && export WEBCAM_XSERVER_PID="$_xvfb_pid"
for bench in "$root"/build/win/bin/*_bench.exe; do
    echo "== $(basename "$bench") (under Wine) =="
    "$WINE" "$bench" </dev/null 2>/dev/null
done
# Cameras at 60 frames a second and at 4K: the preview's processor time per frame and the
# frames a recording keeps.
for format in "MJPG 1920 1080 166666" "MJPG 3840 2160 333333"; do
    echo "== preview_bench.exe, $format (under Wine) =="
    "$WINE" "$root/build/win/bin/preview_bench.exe" 10 "$format" gdi </dev/null 2>/dev/null
done
for format in "YUY2 1280 720 166666" "NV12 1920 1080 166666" "MJPG 1920 1080 166666" "MJPG 3840 2160 333333"; do
    echo "== recording_bench.exe, $format (under Wine) =="
    "$WINE" "$root/build/win/bin/recording_bench.exe" 20 0 "$format" </dev/null 2>/dev/null
done
