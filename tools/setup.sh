#!/usr/bin/env bash
# Installs what building and testing needs, from Debian's packages; only what is missing.
set -euo pipefail
packages=(cmake make g++ googletest libgtest-dev g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb
          x11-utils xdotool imagemagick clang libclang-rt-14-dev clang-tidy-14 clang-format-14 python3)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
