#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the panel render tool and draws a panel to PNG files, offscreen.
# Usage: scripts/render-panel.sh [output folder]   (default ./shots)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${K4_BUILD_DIR:-"$root/build"}
out=${1:-shots}
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug
fi
cmake --build "$build" --target render_panel
QT_QPA_PLATFORM=offscreen "$build/tools/render_panel/render_panel" "$out"
