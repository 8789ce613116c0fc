#!/usr/bin/env bash
# Builds both configurations into build/: build/win (Windows programs, tests, fixtures, cross-
# compiled) and build/native (portable core, its tests under ASan/UBSan, benchmarks).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"

cmake -S "$root" -B "$root/build/win" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DWEBCAM_WERROR="${WEBCAM_WERROR:-OFF}" >/dev/null
cmake --build "$root/build/win" -j "$jobs"

if [ "${1:-}" != "windows-only" ]; then
    cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Debug \
        -DWEBCAM_WERROR="${WEBCAM_WERROR:-OFF}" >/dev/null
    cmake --build "$root/build/native" -j "$jobs"
fi
