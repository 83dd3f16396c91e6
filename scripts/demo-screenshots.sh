#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs K4mgr against the bus simulator on a virtual display and saves screenshots to ./shots/:
#   frame.png       the frame with the manager and four panels, all devices answering
#   commerror.png   device 2 has gone silent: its panel in front showing the error, red node
#   attention.png   device 3 raises its attention bit: its panel in front, display blinking
#   skins.png       the skin dialog, opened from the context menu of device 1's skinned panel
#   macro.png       the macro window editing "Setup A" (its keys, devices 1, 3 and 5 marked),
#                   just after Ctrl+F1 ran it: its progress in the status line
#   monitor.png     the line monitor while device 2 is silent: its failed polls in red
#   scan.png        the line scan of addresses 0 to 15: 9 and 12 (bad replies) are not in the
#                   workspace
# The program runs from a folder of its own, so the settings beside build/release/app are left
# alone. Usage: scripts/demo-screenshots.sh [output folder]   (default ./shots)
# With K4_README=1 the frame picture also becomes the README's picture, docs/k4mgr.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-shots}" && cd "${1:-shots}" && pwd)

# K4_BUILD_DIR and K4_NO_BUILD=1 as for run.sh.
build=${K4_BUILD_DIR:-"$root/build/release"}
if [ "${K4_SHOTS_INNER:-}" != 1 ]; then
    if [ "${K4_NO_BUILD:-}" != 1 ]; then
        "$root/scripts/install-deps.sh"
        "$root/scripts/build.sh" "$build"
    fi
    K4_SHOTS_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$out"
fi

. "$root/scripts/inifile.sh"
work=$(mktemp -d)
sim=""
k4=""
cleanup() {
    [ -n "$k4" ] && kill "$k4" 2>/dev/null || true
    if [ -n "$sim" ]; then
        echo quit >"$work/control" 2>/dev/null &
        sleep 0.5
        kill "$sim" 2>/dev/null || true
    fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cp "$build/app/K4mgr" "$work/K4mgr"
cp -r "$build/app/SKINS" "$work/SKINS"
"$build/tools/kvtsim/kvtsim" --link "$work/kvtbus" --control "$work/control" --ids 1,2,3,5,9,12 \
    --name "1=Encoder A" --name "2=Encoder B" --name "3=Decoder" --name "5=Multiplexer" \
    --name "9=Spare encoder" --garble 12 \
    </dev/null >"$work/kvtsim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do
    grep -q '^READY' "$work/kvtsim.out" 2>/dev/null && break
    sleep 0.05
done
grep -q '^READY' "$work/kvtsim.out" || { cat "$work/kvtsim.out" >&2; exit 1; }

"$root/scripts/demo-workspace.sh" "$work/demo.DID"
ini_set "$work/demo.DID" MacroNames MacroName1 "Setup A"
ini_set "$work/demo.DID" MacroNames MacroKeys1 "T 3 3 + S"
ini_set "$work/demo.DID" MacroNames MacroDevices1 "1:x,3:x,5:ab"
ini_set "$work/KVT.INI" KVT_PORTS COM1 "$work/kvtbus"
ini_set "$work/KVT.INI" KVT_WORKSPACE LastFile "$work/demo.DID"

"$work/K4mgr" &
k4=$!
shot() {
    sleep "$1"
    # The screen around the frame stays black: cut it away.
    import -window root png:- | convert - -trim +repage "$out/$2"
    echo "saved $out/$2"
}
control() { echo "$1" >"$work/control"; }
# A device with its attention bit set blinks: every other display reply is the attention phase
# (whole display on red). Take a few pictures and keep the one showing the most pure red.
shot_most_red() {
    sleep "$1"
    local best=-1 i red
    for i in 1 2 3 4 5 6 7 8; do
        import -window root png:- | convert - -trim +repage "$work/try.png"
        red=$(convert "$work/try.png" -fill black +opaque 'rgb(255,0,0)' \
            -fill white -opaque 'rgb(255,0,0)' -format '%[fx:int(mean*w*h)]' info:)
        if [ "$red" -gt "$best" ]; then
            best=$red
            cp "$work/try.png" "$out/$2"
        fi
        sleep 0.07
    done
    echo "saved $out/$2"
}

# The skin dialog of device 1. Its panel wears the steel skin, whose LED is the only pixel of
# that green on the screen; the panel's context menu opens on its skin, right of the LED.
skin_dialog_shot() {
    sleep "$1"
    local led x y
    led=$(import -window root png:- | convert - -depth 8 txt:- | grep -m1 -i '#3CC03C' | cut -d: -f1 || true)
    if [ -z "$led" ]; then
        echo "the skinned panel is not on the screen: $2 not taken" >&2
        return
    fi
    x=${led%,*}
    y=${led#*,}
    # The LED's top pixel lies at (4, 105) in the panel; (150, 88) is skin between display and keys.
    xdotool mousemove $((x - 4 + 150)) $((y - 105 + 88)) click 3
    sleep 0.5
    xdotool key Down Return
    sleep 1
    import -window root png:- | convert - -trim +repage "$out/$2"
    echo "saved $out/$2"
    xdotool key Escape
}

# Keys for the frame: without a window manager nothing gives it the focus.
frame_keys() {
    xdotool search --name '^K4mgr' windowfocus --sync 2>/dev/null || true
    xdotool key "$@"
}

# The macro window from the Setup menu; a double-click on its highlighted first name opens the
# editor part for that macro. The active window's title bar has the highlight colour too, so the
# name is found from the colour's last pixel on the screen, the bottom right of its cell.
macro_shot() {
    sleep "$1"
    local cell x y
    frame_keys alt+s w
    sleep 1
    cell=$(import -window root png:- | convert - -depth 8 txt:- | grep -i '#308CC6' | tail -1 | cut -d: -f1 || true)
    if [ -z "$cell" ]; then
        echo "the macro window is not on the screen: $2 not taken" >&2
        return
    fi
    x=${cell%,*}
    y=${cell#*,}
    xdotool mousemove $((x - 40)) $((y - 6)) click --repeat 2 1
    sleep 0.5
    xdotool key ctrl+F1
    sleep 0.3
    import -window root png:- | convert - -trim +repage "$out/$2"
    echo "saved $out/$2"
}

shot 3 frame.png
if [ "${K4_README:-}" = 1 ]; then
    mkdir -p "$root/docs"
    cp "$out/frame.png" "$root/docs/k4mgr.png"
    echo "saved $root/docs/k4mgr.png"
fi
macro_shot 1 macro.png
sleep 1
frame_keys alt+s w
control "silent 2"
shot 2 commerror.png
control "normal 2"
control "attention 3 on"
shot_most_red 2 attention.png
control "attention 3 off"
skin_dialog_shot 1 skins.png

control "silent 2"
frame_keys alt+s m
shot 4 monitor.png
control "normal 2"
# The scan dialog opens with the focus on its first address: tab to the last, make it 15, start.
frame_keys alt+s s
sleep 1
xdotool key Tab ctrl+a 1 5 Tab space
shot 5 scan.png
xdotool key Escape
