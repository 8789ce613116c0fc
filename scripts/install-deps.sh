#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Webcam and RuzEzirar.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    wine64 xvfb xauth x11-utils imagemagick
    cmake make g++ clang libclang-rt-14-dev
    googletest libgtest-dev libbenchmark-dev libyuv-dev libturbojpeg0-dev wixl msitools ffmpeg
    gstreamer1.0-tools gstreamer1.0-plugins-good
    fonts-noto-cjk locales-all
)

sudo_if_needed() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
sudo_if_needed apt-get update
sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
