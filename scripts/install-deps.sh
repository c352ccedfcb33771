#!/usr/bin/env bash
# Installs the Debian packages Lumaport needs to build, run and test, skipping what is already there. With
# --fuzz, also clang and its libFuzzer for scripts/fuzz.sh.
set -euo pipefail

packages=(
    build-essential cmake pkg-config clang-format git
    qt6-base-dev qt6-base-dev-tools libgl-dev libqt6sql6-sqlite qt6-image-formats-plugins libheif-dev
    libcurl4-openssl-dev libssl-dev curl
    libssh-dev
    libexiv2-dev libgif-dev libimage-exiftool-perl
    libsecret-1-dev gnome-keyring dbus
    python3 python3-pyftpdlib vsftpd lftp
    ceph-mon ceph-osd radosgw ceph-common apache2 rclone
    openssl python3-openssl openssh-server openssh-client python3-paramiko
    xvfb xauth x11-utils imagemagick xclip wl-clipboard
    desktop-file-utils appstream
    fonts-dejavu-core fonts-liberation2
)
[ "${1:-}" = --fuzz ] && packages+=(clang libclang-rt-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# The tests start their own servers: no package may start a system service (openssh-server would start sshd
# on port 22 where an init system runs). A policy already in place is kept.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
    "${sudo_cmd[@]}" chmod 755 "$policy"
    trap '"${sudo_cmd[@]}" rm -f "$policy"' EXIT
fi
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
