#!/bin/bash
# Installs what this project needs and a fresh Debian machine lacks, once:
# the MinGW-w64 cross compilers, Debian's MinGW zlib, GoogleTest's source,
# Wine (64-bit, and 32-bit through the i386 architecture), Xvfb, xdotool,
# ImageMagick and a CJK font; then the scratch Wine prefix.
set -euo pipefail
packages=(cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    libz-mingw-w64-dev googletest wine wine64 wine32:i386 xvfb xauth xdotool imagemagick
    fonts-wqy-microhei x11-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
"$(dirname "$0")/wine-prefix.sh"
