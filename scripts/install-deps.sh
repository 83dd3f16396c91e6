#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what K4mgr needs to build, test and run on a Debian 12 machine. Does nothing for
# packages that are already there, so it is cheap to run every time.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev libqt6sql6-sqlite
    clang libclang-rt-14-dev clang-format
    fonts-dejavu-core fonts-dejavu-extra xfonts-terminus
    xvfb xauth x11-apps imagemagick xdotool
    ser2net
    libqt6sql6-sqlite
    lintian groff appstream
    systemd
    prometheus prometheus-cpp-dev zlib1g-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq || true
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
