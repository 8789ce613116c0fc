#!/usr/bin/env bash
# publish.sh STAGING DIST [--replace]: moves the packages built into STAGING (*.msi, *.zip) into
# DIST. A version that was published is never published again with other contents: its product
# code stays the same, but each build of the package gets a new package code, so that a user who
# installed the first would be told "another version of this product is already installed".
# Every published build needs a new version. A package whose files are the same as the published
# one's leaves that one as it is; one with other files is refused unless --replace is given.
set -euo pipefail
staging="$1"
dist="$2"
replace="${3:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The files a package holds, unpacked into folder $2.
unpack() {
    mkdir -p "$2"
    case "$1" in
        *.msi) (cd "$2" && msiextract "$1" >/dev/null) ;;
        *.zip) (cd "$2" && cmake -E tar xf "$1") ;;
    esac
}

mkdir -p "$dist"
status=0
for package in "$staging"/*.msi "$staging"/*.zip; do
    [ -f "$package" ] || continue
    name=$(basename "$package")
    published="$dist/$name"
    if [ -f "$published" ]; then
        rm -rf "$work/old" "$work/new"
        unpack "$(realpath "$published")" "$work/old"
        unpack "$(realpath "$package")" "$work/new"
        if diff -r -q "$work/old" "$work/new" >/dev/null; then
            echo "$name: published before with the same files; kept as it was"
            continue
        fi
        if [ "$replace" != "--replace" ]; then
            echo "$name: published before with other files; give the program a new version" \
                "(WEBCAM_VERSION in CMakeLists.txt), or replace it with --replace" >&2
            status=1
            continue
        fi
    fi
    cp "$package" "$published"
    echo "$published  $(stat -c %s "$published") bytes"
done
exit $status
