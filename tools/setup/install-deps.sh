#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine.
# Only missing packages are installed, so a prepared machine pays nothing.
set -euo pipefail

packages=(
    cmake ninja-build ccache g++ make
    googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine wine64 xvfb imagemagick libxtst-dev
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
    clang libclang-rt-14-dev
    g++-i686-linux-gnu qemu-user-static
    python3
    nsis zip unzip
)

missing=()
for p in "${packages[@]}"; do
    if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "error: need root or sudo to install ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
