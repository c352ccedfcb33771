#!/usr/bin/env bash
# Installs the Debian packages Lumaport needs to build, run and test, skipping what is already there.
set -euo pipefail

packages=(
    build-essential cmake pkg-config clang-format git
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libcurl4-openssl-dev curl
    libgtest-dev googletest
    python3 python3-pyftpdlib vsftpd lftp
    xvfb xauth x11-utils imagemagick
    fonts-dejavu-core fonts-liberation2
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
