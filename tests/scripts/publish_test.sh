#!/usr/bin/env bash
# publish.sh with packages made here: a version goes into the dist folder once; the same contents
# again leave the published package as it was (its package code stays); other files, or the same
# files installed otherwise (a registry value more), are refused and the published package kept,
# unless --replace is given.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# packages NAME TEXT [REGISTRY]: Webcam-1.0.0.1-x64.msi and .zip holding a Webcam.exe of TEXT
# (and the MSI writing the registry value REGISTRY), in $work/NAME; the file's time is $built.
packages() {
    local out="$work/$1" files="$work/files-$1" value=""
    mkdir -p "$out" "$files"
    printf '%s' "$2" >"$files/Webcam.exe"
    touch -d "${built:-now}" "$files/Webcam.exe"
    [ -n "${3:-}" ] && value="<RegistryValue Root=\"HKCU\" Key=\"Software\\T\" Name=\"$3\" Value=\"1\" Type=\"string\" />"
    cat >"$files/p.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{6B1F2B3A-0C3D-4E5F-8A9B-0C1D2E3F4A5B}" Name="T" Language="1033" Version="1.0.1"
           Manufacturer="T" UpgradeCode="{7C2F3B4A-1D4E-4F60-9B0C-1D2E3F4A5B6C}">
    <Package InstallerVersion="500" Compressed="yes" />
    <Media Id="1" Cabinet="t.cab" EmbedCab="yes" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="INSTALLDIR" Name="T">
        <Component Id="Program" Guid="{8D3F4C5B-2E5F-4071-8C1D-2E3F4A5B6C7D}">
          <File Id="Program" Name="Webcam.exe" Source="Webcam.exe" KeyPath="yes" />
          $value
        </Component>
      </Directory>
    </Directory>
    <Feature Id="All" Level="1"><ComponentRef Id="Program" /></Feature>
  </Product>
</Wix>
WXS
    (cd "$files" && wixl -o "$out/Webcam-1.0.0.1-x64.msi" p.wxs &&
        cmake -E tar cf "$out/Webcam-1.0.0.1-x64.zip" --format=zip Webcam.exe)
}

dist="$work/dist"
built="1 hour ago" packages first "program 1"
packages rebuilt "program 1"   # the same files built later, a new package code
packages changed "program 2"
packages otherwise "program 1" Extra  # the same files, a registry value more

"$root/scripts/publish.sh" "$work/first" "$dist" >/dev/null || fail "a first publication was refused"
cmp -s "$work/first/Webcam-1.0.0.1-x64.msi" "$dist/Webcam-1.0.0.1-x64.msi" || fail "not published"
"$root/scripts/publish.sh" "$work/rebuilt" "$dist" >/dev/null || fail "the same files were refused"
cmp -s "$work/first/Webcam-1.0.0.1-x64.msi" "$dist/Webcam-1.0.0.1-x64.msi" ||
    fail "the published package was replaced by one with the same files"
if "$root/scripts/publish.sh" "$work/changed" "$dist" >/dev/null 2>&1; then fail "other files were taken"; fi
rm "$work/otherwise/Webcam-1.0.0.1-x64.zip"  # its zip holds the same files
if "$root/scripts/publish.sh" "$work/otherwise" "$dist" >/dev/null 2>&1; then fail "another installation was taken"; fi
cmp -s "$work/first/Webcam-1.0.0.1-x64.msi" "$dist/Webcam-1.0.0.1-x64.msi" || fail "a refused package replaced the published one"
cmp -s "$work/first/Webcam-1.0.0.1-x64.zip" "$dist/Webcam-1.0.0.1-x64.zip" || fail "a refused zip replaced the published one"
"$root/scripts/publish.sh" "$work/changed" "$dist" --replace >/dev/null || fail "--replace was refused"
cmp -s "$work/changed/Webcam-1.0.0.1-x64.msi" "$dist/Webcam-1.0.0.1-x64.msi" || fail "--replace did not replace"
echo "publish.sh: passed"
