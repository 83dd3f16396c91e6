#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the skins that ship with K4mgr into app/SKINS (or the folder given): three device faces
# of 291 x 154 pixels, the panel window's client size, as 24-bit BMP files. Each leaves the
# places of the display and the 18 keys to the panel's own controls and draws what a skin covers:
# the LED, the legends under keys 1 to 4 and a name plate. Needs ImageMagick and DejaVu fonts
# (scripts/install-deps.sh). The BMPs are committed; run this only to change them.
#   Usage: tools/skins/make-skins.sh [output folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-"$root/app/SKINS"}
mkdir -p "$out"

# Key places as the panel lays them out (left, top; every key 17 x 17).
keys=()
for x in 104 128 152 176 200 224 248 272; do keys+=("$x,104" "$x,136"); done
keys+=("16,104" "64,104")

# face NAME TOP BOTTOM WELL TEXT ACCENT LED
face() {
    local name=$1 top=$2 bottom=$3 well=$4 text=$5 accent=$6 led=$7
    local draw=()
    # The display sits in a dark bezel; a thin accent line runs under it.
    draw+=(-fill '#101010' -draw 'rectangle 0,21 290,75')
    draw+=(-fill "$accent" -draw 'rectangle 0,78 290,79')
    # Grooves framing the two blocks of keys.
    draw+=(-fill "$well" -draw 'rectangle 8,95 90,95' -draw 'rectangle 98,95 290,95')
    # A recessed well around every key.
    local k x y
    for k in "${keys[@]}"; do
        x=${k%,*}
        y=${k#*,}
        draw+=(-fill "$well" -draw "roundrectangle $((x - 2)),$((y - 2)) $((x + 18)),$((y + 18)) 3,3")
    done
    # The LED and its ring.
    draw+=(-fill '#202020' -draw 'circle 4,108 4,103' -fill "$led" -draw 'circle 4,108 4,105')
    convert -size 291x154 "gradient:$top-$bottom" \
        "${draw[@]}" \
        -font DejaVu-Sans-Bold -fill "$text" \
        -pointsize 13 -annotate +6+16 'KVT' \
        -font DejaVu-Sans -pointsize 9 -annotate +40+15 'TRANSCODER' \
        -annotate +198+15 'RS232 BUS' \
        -font DejaVu-Sans-Bold -pointsize 10 \
        -annotate +105+132 '<<' -annotate +129+132 '>>' \
        -annotate +158+132 '-' -annotate +181+132 '+' \
        -alpha off -type TrueColor "BMP3:$out/$name.bmp"
    echo "$out/$name.bmp"
}

face steel '#d4d8dc' '#9ea3a8' '#6e7378' '#1e2226' '#2f6fb0' '#3cc03c'
face night '#283044' '#0c1018' '#05070a' '#c8d2e6' '#2fb8c8' '#40e0ff'
face sand '#ece2c8' '#c9b992' '#8c7a56' '#4a3520' '#d07020' '#f0a020'
