#!/usr/bin/env bash
# publish.sh STAGING DIST [--replace]: moves the packages built into STAGING (*.msi, *.zip) into
# DIST. A version that was published is never published again with other contents: its product
# code stays the same, but each build of the package gets a new package code, so that a user who
# installed the first would be told "another version of this product is already installed".
# Every published build needs a new version. A package whose contents are the same as the
# published one's (its files, and for an MSI its tables and streams, but for the package code and
# times each build gets) leaves that one as it is; one with other contents is refused unless
# --replace is given.
set -euo pipefail
staging="$1"
dist="$2"
replace="${3:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# What a package holds, unpacked into folder $2: its files; for an MSI also every table (what
# the installer does: registry values, shortcuts, sequences) and every stream.
unpack() {
    mkdir -p "$2"
    case "$1" in
        *.msi)
            (cd "$2" && msiextract "$1" >/dev/null)
            local tables="$2/.package/tables" streams="$2/.package/streams" name
            mkdir -p "$tables" "$streams"
            for name in $(msiinfo tables "$1"); do msiinfo export "$1" "$name" >"$tables/$name"; done
            # What every build changes by design: the package code and the times it was made.
            sed -i -E '/^(9|12|13)\t/d' "$tables/_SummaryInformation"
            # Embedded cabinets hold the files (compared above) with the times they were built.
            for name in $(msiinfo streams "$1"); do
                [[ "$name" == *SummaryInformation ]] && continue
                msiinfo extract "$1" "$name" >"$streams/$name"
                [ "$(head -c 4 "$streams/$name")" = "MSCF" ] && rm "$streams/$name"
            done
            ;;
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
            echo "$name: published before with the same contents; kept as it was"
            continue
        fi
        if [ "$replace" != "--replace" ]; then
            echo "$name: published before with other contents; give the program a new version" \
                "(WEBCAM_VERSION in CMakeLists.txt), or replace it with --replace" >&2
            status=1
            continue
        fi
    fi
    cp "$package" "$published"
    echo "$published  $(stat -c %s "$published") bytes"
done
exit $status
