#!/usr/bin/env bash
# Builds the files a Windows user downloads: a Release build (stripped, statically linked, no
# test code), then build/dist/Webcam-<version>-x64.msi and build/dist/Webcam-<version>-x64.zip.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DWEBCAM_WERROR=ON \
    -DCMAKE_EXE_LINKER_FLAGS=-s -DWEBCAM_DIST_DIR="$root/build/dist" >/dev/null
cmake --build "$root/build/release" -j "$(nproc)" --target installer_package portable_zip

version=$(sed -n 's/^WEBCAM_VERSION:STRING=//p' "$root/build/release/CMakeCache.txt")
for file in "$root/build/dist/Webcam-$version-x64.msi" "$root/build/dist/Webcam-$version-x64.zip"; do
    [ -f "$file" ] || { echo "missing: $file"; exit 1; }
    echo "$file  $(stat -c %s "$file") bytes"
done
