#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak run: the console on a virtual display with 127 devices on kvtsim for a long time (default
# one hour), with faults switched at random every few seconds (silent, short, garbled, attention,
# a line drop and return). Prints memory and CPU figures as it goes and a summary at the end; the
# exit status is 0 when the summary's verdict is PASS. Not part of the tests.
#
#   scripts/soak.sh [--minutes N] [--seed N] [--display :N]
#
# It builds soak_console in build/release (K4_BUILD_DIR to use another tree, K4_NO_BUILD=1 to
# run it as it is) and needs Xvfb (scripts/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${K4_BUILD_DIR:-"$root/build/release"}
display=":99"
args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --display) display=$2; shift 2 ;;
        --minutes|--seed) args+=("$1" "$2"); shift 2 ;;
        -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
        *) echo "soak.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done

if [ "${K4_NO_BUILD:-}" != 1 ]; then
    cmake --build "$build" --target soak_console kvtsim
fi
exe="$build/bench/soak/soak_console"
[ -x "$exe" ] || { echo "soak.sh: no $exe (build the target soak_console)" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "soak.sh: Xvfb is missing (scripts/install-deps.sh)" >&2; exit 2; }

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
# The display is up once a client can talk to it.
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done

DISPLAY=$display QT_QPA_PLATFORM=xcb "$exe" "${args[@]}"
