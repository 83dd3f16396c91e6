#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs K4mgr on a line through a terminal server, all on this machine: kvtsim's demo devices on a
# pseudo-terminal, ser2net in front of it offering the line on the loopback, and K4mgr's port 3
# set to that address for this run (RS232Port and COM3 are put back when K4mgr exits).
#
#   scripts/run-network-demo.sh            # rfc2217://127.0.0.1:2217 (K4mgr sets 28800 8N1)
#   K4_NET_SCHEME=tcp scripts/run-network-demo.sh   # tcp://127.0.0.1:2217 (ser2net's 28800n81)
#   K4_NET_PORT=4001 scripts/run-network-demo.sh    # another TCP port
#
# The status bar reads "COM3 (rfc2217://127.0.0.1:2217): open". Stop ser2net meanwhile (the
# script prints its process id; `kill -STOP` holds it, `kill -CONT` lets it go on, `kill` ends
# it) to see every device fail once; end it and run the printed ser2net command again to see the
# console call again about once a second and polling resume. The margin a network line adds to
# the reply time (60 ms unless set) is in Setup > RS232, below the device.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/inifile.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run-network-demo.sh: no display; try: xvfb-run -a scripts/run-network-demo.sh" >&2
    exit 2
fi
scheme=${K4_NET_SCHEME:-rfc2217}
net_port=${K4_NET_PORT:-2217}
case $scheme in
rfc2217) accepter="telnet(rfc2217),tcp(nodelay),127.0.0.1,$net_port" ;;
tcp) accepter="tcp(nodelay),127.0.0.1,$net_port" ;;
*) echo "run-network-demo.sh: K4_NET_SCHEME is rfc2217 or tcp" >&2; exit 2 ;;
esac
address="$scheme://127.0.0.1:$net_port"

build=${K4_BUILD_DIR:-"$root/build/release"}
if [ "${K4_NO_BUILD:-}" != 1 ]; then
    "$root/scripts/install-deps.sh"
    "$root/scripts/build.sh" "$build"
fi
ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
[ -x "$ser2net" ] || { echo "run-network-demo.sh: ser2net is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }

app="$build/app"
settings="$app/KVT.INI"
runtime="${XDG_RUNTIME_DIR:-${TMPDIR:-/tmp}}/k4mgr-$(id -u)"
mkdir -p "$runtime"
chmod 700 "$runtime"
bus="$runtime/kvtbus-net"

old_port=$(ini_get "$settings" KVT_WORKSPACE RS232Port)
old_device=$(ini_get "$settings" KVT_PORTS COM3)
sim=""
server=""
finish() {
    [ -n "$server" ] && { kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; }
    [ -n "$sim" ] && { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
    ini_set "$settings" KVT_WORKSPACE RS232Port "${old_port:-1}"
    ini_set "$settings" KVT_PORTS COM3 "$old_device"
}
trap finish EXIT

sim_out="$runtime/kvtsim-net.out"
"$build/tools/kvtsim/kvtsim" --demo --link "$bus" </dev/null >"$sim_out" 2>&1 &
sim=$!
for _ in $(seq 100); do
    grep -q '^READY' "$sim_out" 2>/dev/null && break
    kill -0 "$sim" 2>/dev/null || { cat "$sim_out" >&2; exit 1; }
    sleep 0.05
done
grep -q '^READY' "$sim_out" || { echo "run-network-demo.sh: kvtsim did not come up" >&2; exit 1; }

server_args=(-n -u -P "$runtime/ser2net-demo.pid"
    -Y 'connection: &k4demo' -Y "  accepter: $accepter"
    -Y "  connector: serialdev,$bus,28800n81,local"
    -Y '  options:' -Y '    kickolduser: true' -Y '    chardelay: false')
"$ser2net" "${server_args[@]}" &
server=$!
# K4mgr calls again by itself about once a second, but starts quieter once the server listens.
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$net_port") 2>/dev/null && break
    kill -0 "$server" 2>/dev/null || { echo "run-network-demo.sh: ser2net ended" >&2; exit 1; }
    sleep 0.05
done
echo "run-network-demo.sh: ser2net (process $server) offers kvtsim's line as $address"
printf 'run-network-demo.sh: to start it again: %q' "$ser2net"
printf ' %q' "${server_args[@]}"
echo

ini_set "$settings" KVT_WORKSPACE RS232Port 3
ini_set "$settings" KVT_PORTS COM3 "$address"
if [ -z "$(ini_get "$settings" KVT_WORKSPACE LastFile)" ]; then
    demo="$app/demo.DID"
    "$root/scripts/demo-workspace.sh" "$demo"
    ini_set "$settings" KVT_WORKSPACE LastFile "$demo"
fi
"$app/K4mgr"
