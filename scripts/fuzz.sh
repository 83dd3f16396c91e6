#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang under AddressSanitizer+UBSan in build/fuzz (only the
# targets) and runs each on its corpus for SECONDS (20 by default), one after the other.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   TARGET: telnet macro exchange profile workspace
# Inputs a run finds go to build/fuzz/fuzz-scratch/TARGET, never into the tree; a finding stops
# that run, keeps the input as build/fuzz/fuzz-findings/TARGET/crash-* and fails the script.
# Replay one with build/fuzz/tests/.../fuzz_TARGET FILE. Set K4_FUZZ_RUNS=N to stop each run after
# N executions instead (the time limit then is a day).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(telnet macro exchange profile workspace)

# Where each target lives, and the longest input it is given: enough for every structure its
# parser knows, short enough that an execution stays well under 0.1 ms.
declare -A dir=([telnet]=tests/port/fuzz [macro]=tests/macro/fuzz [exchange]=tests/link/fuzz
                [profile]=tests/core/fuzz [workspace]=tests/core/fuzz)
declare -A maxlen=([telnet]=1024 [macro]=512 [exchange]=512 [profile]=512 [workspace]=1024)

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DK4_FUZZ=ON -DK4_ASAN=ON -DK4_WERROR=ON >/dev/null
tgts=()
for t in "${targets[@]}"; do
    [ -n "${dir[$t]:-}" ] || { echo "unknown fuzz target: $t" >&2; exit 2; }
    tgts+=("fuzz_$t")
done
cmake --build "$build" --parallel "$(nproc)" --target "${tgts[@]}"

limit=(-max_total_time="$seconds")
[ -n "${K4_FUZZ_RUNS:-}" ] && limit=(-runs="$K4_FUZZ_RUNS" -max_total_time=86400)
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1"
for t in "${targets[@]}"; do
    scratch="$build/fuzz-scratch/$t"
    findings="$build/fuzz-findings/$t"
    mkdir -p "$scratch" "$findings"
    log="$build/fuzz-$t.log"
    echo "== fuzz $t (log: $log)"
    status=0
    "$build/${dir[$t]}/fuzz_$t" "${limit[@]}" -max_len="${maxlen[$t]}" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$scratch" "${dir[$t]}/corpus" >"$log" 2>&1 || status=$?
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb))' \
        "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$log" >&2
        echo "fuzz_$t failed ($status): the input is in $findings" >&2
        exit 1
    fi
done
