#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds K4mgr with warnings as errors, and runs every test; then builds
# again under ThreadSanitizer and under AddressSanitizer+UBSan and runs the suite in each.
# Set K4_SANITIZERS=0 to skip the two sanitizer runs. Last, each fuzz target is built with clang and
# run for K4_FUZZ_SECONDS (20; 0 skips them), so a target that no longer builds or finds a fault
# fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
export QTEST_FUNCTION_TIMEOUT=${QTEST_FUNCTION_TIMEOUT:-120000}

run_suite() {
    local dir=$1
    shift
    echo "== build $dir $*"
    scripts/build.sh "$dir" -DK4_WERROR=ON "$@"
    echo "== test $dir"
    ctest --test-dir "$dir" --output-on-failure --timeout 300 -j 2
}

run_suite build/release
if [ "${K4_SANITIZERS:-1}" != 0 ]; then
    TSAN_OPTIONS="suppressions=$root/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1" \
        run_suite build/tsan -DK4_TSAN=ON
    ASAN_OPTIONS="detect_leaks=0" UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1" \
        run_suite build/asan -DK4_ASAN=ON
fi
if [ "${K4_FUZZ_SECONDS:-20}" != 0 ]; then
    scripts/fuzz.sh "${K4_FUZZ_SECONDS:-20}"
fi
echo "All tests passed."
