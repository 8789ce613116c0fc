#!/usr/bin/env bash
# Builds the files a Windows user downloads: a Release build (stripped, statically linked, no
# test code), then build/dist/Webcam-<version>-x64.msi and build/dist/Webcam-<version>-x64.zip.
# A version published before with other files is refused (see publish.sh); --replace replaces
# it all the same.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

staging="$root/build/release/dist"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DWEBCAM_WERROR=ON \
    -DCMAKE_EXE_LINKER_FLAGS=-s -DWEBCAM_DIST_DIR="$staging" >/dev/null
cmake --build "$root/build/release" -j "$(nproc)" --target installer_package portable_zip

version=$(cat "$root/build/release/webcam-version.txt")
for file in "$staging/Webcam-$version-x64.msi" "$staging/Webcam-$version-x64.zip"; do
    [ -f "$file" ] || { echo "missing: $file"; exit 1; }
done
# Only this version's packages: the staging folder may hold older ones.
mkdir -p "$staging/$version"
mv "$staging/Webcam-$version-x64.msi" "$staging/Webcam-$version-x64.zip" "$staging/$version/"
"$root/scripts/publish.sh" "$staging/$version" "$root/build/dist" "${1:-}"
