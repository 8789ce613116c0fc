#!/usr/bin/env bash
# Builds both configurations into build/: build/win (Windows programs, tests, fixtures, cross-
# compiled) and build/native (portable core, its tests under ASan/UBSan, benchmarks).
# `build.sh run` builds only Webcam and what the run prefix needs; `build.sh windows-only` the
# whole Windows tree. Both configurations are always configured the same way (warnings as
# errors unless WEBCAM_WERROR=OFF), so the run and test commands share one build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
werror="${WEBCAM_WERROR:-ON}"

cmake -S "$root" -B "$root/build/win" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DWEBCAM_WERROR="$werror" >/dev/null
if [ "${1:-}" = "run" ]; then
    cmake --build "$root/build/win" -j "$jobs" --target run_programs
    exit 0
fi
cmake --build "$root/build/win" -j "$jobs"

if [ "${1:-}" != "windows-only" ]; then
    cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Debug -DWEBCAM_WERROR="$werror" >/dev/null
    cmake --build "$root/build/native" -j "$jobs"
fi
