#!/usr/bin/env bash
# Builds Pictarra and its tests with AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer, warnings as errors, and runs the whole CTest suite under them.
# Any sanitizer report ends the test that caused it and fails the run.
#
# Usage: scripts/sanitize.sh [extra ctest arguments]
#   PICTARRA_ASAN_BUILD   build folder (default build-asan beside the sources)
set -euo pipefail
cd "$(dirname "$0")/.."

root=$PWD
build=$(realpath -m "${PICTARRA_ASAN_BUILD:-build-asan}")
jobs=$(nproc)

# Tests left out of this run only, each with the fault that keeps it out; empty when none.
# (A regular expression for ctest -E; the plain run of scripts/test.sh still runs them.)
excluded_tests=()

scripts/install-deps.sh test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DPICTARRA_WERROR=ON -DPICTARRA_SANITIZE=ON \
      -DPICTARRA_BUILD_TESTS=ON -DPICTARRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs"

# LeakSanitizer: Qt and the libraries below it keep some one-time allocations until the
# process ends on purpose; scripts/lsan.supp names them, so that a leak of the program's own
# still fails.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

exclude=()
if [ "${#excluded_tests[@]}" -ne 0 ]; then
    exclude=(-E "^($(IFS='|'; echo "${excluded_tests[*]}"))\$")
    echo "sanitize: left out of this run: ${excluded_tests[*]}"
fi
cd "$build"
ctest --output-on-failure -j"$jobs" "${exclude[@]}" "$@"
