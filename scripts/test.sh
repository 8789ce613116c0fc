#!/usr/bin/env bash
# The test command: builds everything, runs the native core tests (ASan/UBSan), then runs the
# Windows tests under Wine in a fresh prefix inside the build tree, with its own wineserver and
# Xvfb display. Prints the counts and exits non-zero on any failure.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/wine-session.sh"

"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" || { echo "build failed"; exit 1; }

passed=0
failed=0
# run_ctest NAME DIR JOBS [CTEST ARGS...]: runs one ctest suite and adds its counts to the totals.
run_ctest() {
    local name="$1" dir="$2" jobs="$3" log total fails
    shift 3
    log="$dir/ctest-output-$name.txt"
    echo "== $name tests =="
    (cd "$dir" && ctest --output-on-failure --timeout 300 -j "$jobs" "$@") 2>&1 | tee "$log"
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    fails=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
    if [ -z "$total" ]; then
        if grep -q "No tests were found" "$log"; then
            total=0; fails=0
        else
            echo "$name: ctest did not report a result"; total=1; fails=1
        fi
    fi
    passed=$((passed + total - fails))
    failed=$((failed + fails))
}

run_ctest native "$root/build/native" "$(nproc)"

# The fuzz targets, for a bounded time each.
echo "== fuzzing =="
if CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DWEBCAM_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null &&
    cmake --build "$root/build/fuzz" -j "$(nproc)" >/dev/null; then
    # Camera-like seeds for the JPEG decoder: restart intervals, every sampling cameras use, the
    # standard Huffman tables.
    seeds="$root/build/fuzz/seeds/jpeg_decode_fuzz"
    mkdir -p "$seeds"
    for seed in "yuvj422p -slices 3" "yuvj420p -slices 4" "yuvj440p" "yuvj422p" "gray" \
        "yuvj422p -huffman default"; do
        ffmpeg -v quiet -y -f lavfi -i "testsrc2=size=66x34,noise=alls=10" -frames:v 1 -pix_fmt $seed -q:v 5 \
            -f mjpeg "$seeds/${seed// /_}.jpg" </dev/null || true
    done
    for fuzzer in "$root"/build/fuzz/bin/*_fuzz; do
        corpus=()
        [ -d "$root/build/fuzz/seeds/$(basename "$fuzzer")" ] && corpus=("$root/build/fuzz/seeds/$(basename "$fuzzer")")
        if "$fuzzer" -max_total_time="${FUZZ_SECONDS:-20}" -seed=1 -print_final_stats=1 "${corpus[@]}" \
                >"$fuzzer.log" 2>&1; then
            echo "$(basename "$fuzzer"): $(grep -o 'stat::number_of_executed_units: [0-9]*' "$fuzzer.log")"
            passed=$((passed + 1))
        else
            tail -n 30 "$fuzzer.log"
            echo "$(basename "$fuzzer"): FAILED"
            failed=$((failed + 1))
        fi
    done
else
    echo "fuzz build failed"
    failed=$((failed + 1))
fi

# A small file system for the full-disk tests (mounting needs root; without it they skip).
small_fs="$root/build/win/smallfs"
mounted_small_fs=""
mkdir -p "$small_fs"
if [ "$(id -u)" = 0 ] && ! mountpoint -q "$small_fs" &&
    mount -t tmpfs -o size=8m tmpfs "$small_fs" 2>/dev/null; then
    mounted_small_fs=1
fi
if mountpoint -q "$small_fs"; then
    export WEBCAM_SMALL_FS="$small_fs"
else
    echo "note: no small file system could be mounted; the full-disk tests are skipped"
fi
stop_session() {
    wine_session_stop
    [ -n "$mounted_small_fs" ] && umount "$small_fs" 2>/dev/null
    mounted_small_fs=""
}

trap stop_session EXIT
# The programs speak the machine's language: the tests expect English unless they ask otherwise.
export LC_ALL=C.UTF-8 LANG=C.UTF-8
wine_session_start "$root/build/win/wineprefix" fresh private-display
wine_session_prepare_prefix "$root/build/win/test-prefix-setup.txt" || failed=$((failed + 1))
# One at a time: the tests share one screen, and some read pixels back from it.
run_ctest Windows "$root/build/win" 1 -LE installer
stop_session

# The installer in a fresh prefix of its own, with Wine's own msiexec and no stand-ins.
wine_session_start "$root/build/win/installprefix" fresh private-display
run_ctest Installer "$root/build/win" 1 -L installer
stop_session
trap - EXIT

echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
