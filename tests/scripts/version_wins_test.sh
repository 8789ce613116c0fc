#!/usr/bin/env bash
# The version written in CMakeLists.txt reaches a build folder whose cache holds another one
# (a folder configured with an older version, or given one on the command line).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source_version=$(sed -n 's/^set(WEBCAM_VERSION "\([0-9.]*\)")$/\1/p' "$root/CMakeLists.txt")
[ -n "$source_version" ] || { echo "FAILED: no version in CMakeLists.txt" >&2; exit 1; }
cmake -S "$root" -B "$work" -DBUILD_TESTING=OFF -DWEBCAM_SANITIZE=OFF -DWEBCAM_VERSION=0.9.0.1 >/dev/null
built=$(cat "$work/webcam-version.txt")
grep -q "\"$source_version\"" "$work/generated/webcam_version.h" ||
    { echo "FAILED: the version header says other than $source_version" >&2; exit 1; }
[ "$built" = "$source_version" ] || { echo "FAILED: the build folder has $built, the source $source_version" >&2; exit 1; }
echo "version: $source_version wins"
