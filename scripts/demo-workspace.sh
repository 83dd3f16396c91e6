#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a workspace file with the simulator's demo devices (1, 2, 3 and 5), their names, places
# for their windows, and a skin from the program's SKINS folder for the first of them.
# Usage: scripts/demo-workspace.sh FILE.DID
set -euo pipefail
file=$1
ids=(1 2 3 5)
names=("Encoder A" "Encoder B" "Decoder" "Multiplexer")
lefts=(190 500 190 500)
tops=(0 0 200 200)
skins=(steel.bmp "" "" "")
{
    printf '[Global]\r\nDevices=%d\r\nName=%s\r\n' "${#ids[@]}" "$(basename "$file")"
    printf 'ManTop=0\r\nManLeft=0\r\nManWidth=178\r\nManHeight=383\r\nWindowState=0\r\nReadOnly=0\r\n'
    for slot in "${!ids[@]}"; do
        printf '[Dev%d]\r\nDeviceName=%s\r\nflags=1\r\nDevID=%d\r\nLeft=%d\r\nTop=%d\r\n' \
            "$slot" "${names[$slot]}" "${ids[$slot]}" "${lefts[$slot]}" "${tops[$slot]}"
        printf 'LCDColor=65280\r\nLCDBackColor=0\r\nSkin=%s\r\n' "${skins[$slot]}"
    done
    printf '[MacroNames]\r\n'
    for k in $(seq 1 12); do
        printf 'MacroName%d=Undefined\r\n' "$k"
    done
} >"$file"
