#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds K4mgr and runs it.
#
# Which line it talks to: the settings file beside the program (build/release/app/KVT.INI) holds
# the port number (RS232Port, default 1) and may name the port's device (section KVT_PORTS, key
# COM<n>, e.g. COM1=/dev/ttyUSB0 or COM1=/dev/ttyS0).
#   - When it names a serial device that answers (stty can read its settings), K4mgr runs on it.
#   - Otherwise K4mgr runs against the bus simulator kvtsim (demo devices 1, 2, 3 and 5): the
#     port is pointed at the simulator's pseudo-terminal, and a demo workspace opens the first
#     time. The simulator stops when K4mgr exits.
# --metrics serves the console's metrics on 127.0.0.1:9745 for this run (curl
# http://127.0.0.1:9745/metrics), unless KVT.INI sets an address of its own.
# An unnamed port is not tried as /dev/ttyS<n-1>: on many machines (virtual ones above all) that
# is a console UART with nothing attached. Name it in KVT.INI to use it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/inifile.sh"

metrics=0
case "${1:-}" in
--metrics) metrics=1 ;;
"") ;;
*) echo "usage: scripts/run.sh [--metrics]" >&2; exit 2 ;;
esac

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); to run K4mgr on a virtual one: scripts/install-deps.sh && xvfb-run -a scripts/run.sh" >&2
    exit 2
fi

# K4_BUILD_DIR runs a build tree of your choice; K4_NO_BUILD=1 runs it as it is, without building.
build=${K4_BUILD_DIR:-"$root/build/release"}
if [ "${K4_NO_BUILD:-}" != 1 ]; then
    "$root/scripts/install-deps.sh"
    "$root/scripts/build.sh" "$build"
fi

app="$build/app"
exe="$app/K4mgr"
settings="$app/KVT.INI"
runtime="${XDG_RUNTIME_DIR:-${TMPDIR:-/tmp}}/k4mgr-$(id -u)"
mkdir -p "$runtime"
chmod 700 "$runtime"
bus="$runtime/kvtbus"

port=$(ini_get "$settings" KVT_WORKSPACE RS232Port)
port=${port:-1}
device=$(ini_get "$settings" KVT_PORTS "COM$port")

# The endpoint is lent for this run only: the address is taken out again when K4mgr exits, unless
# the operator set one in the dialog meanwhile.
lent_metrics=""
if [ "$metrics" = 1 ] && [ -z "$(ini_get "$settings" KVT_MONITORING MetricsAddress)" ]; then
    lent_metrics=127.0.0.1:9745
    ini_set "$settings" KVT_MONITORING MetricsAddress "$lent_metrics"
    echo "run.sh: metrics at http://$lent_metrics/metrics"
fi
give_back_metrics() {
    if [ -n "$lent_metrics" ] &&
        [ "$(ini_get "$settings" KVT_MONITORING MetricsAddress)" = "$lent_metrics" ]; then
        ini_set "$settings" KVT_MONITORING MetricsAddress ""
    fi
}
trap give_back_metrics EXIT

if [ -n "$device" ] && [ "$device" != "$bus" ] && [ -c "$device" ] &&
    stty -F "$device" >/dev/null 2>&1; then
    echo "run.sh: K4mgr on port $port ($device)"
    "$exe"
    exit
fi

# A device the operator named but that is not there now (an adapter unplugged) is only lent to
# the simulator for this run: the setting is put back when K4mgr exits.
restore=""
if [ -n "$device" ] && [ "$device" != "$bus" ]; then
    echo "run.sh: port $port names $device, which cannot be opened now; K4mgr runs against kvtsim (demo devices) this time"
    restore=$device
else
    echo "run.sh: no serial device set for port $port in $settings; K4mgr runs against kvtsim (demo devices)"
fi
sim_out="$runtime/kvtsim.out"
"$build/tools/kvtsim/kvtsim" --demo --link "$bus" </dev/null >"$sim_out" 2>&1 &
sim=$!
finish() {
    give_back_metrics
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    # Only while the port still names the simulator: a device the operator chose in the port
    # selection dialog during this run stays.
    if [ -n "$restore" ] && [ "$(ini_get "$settings" KVT_PORTS "COM$port")" = "$bus" ]; then
        ini_set "$settings" KVT_PORTS "COM$port" "$restore"
    fi
}
trap finish EXIT
for _ in $(seq 100); do
    grep -q '^READY' "$sim_out" 2>/dev/null && break
    kill -0 "$sim" 2>/dev/null || { cat "$sim_out" >&2; exit 1; }
    sleep 0.05
done
grep -q '^READY' "$sim_out" || { echo "run.sh: kvtsim did not come up" >&2; exit 1; }
ini_set "$settings" KVT_PORTS "COM$port" "$bus"

# The first time, a workspace with the demo devices.
if [ -z "$(ini_get "$settings" KVT_WORKSPACE LastFile)" ]; then
    demo="$app/demo.DID"
    "$root/scripts/demo-workspace.sh" "$demo"
    ini_set "$settings" KVT_WORKSPACE LastFile "$demo"
fi

"$exe"
