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
#
# intercept_tls_get_addr=0: this runtime (GCC 12) guesses the bounds of a library's dynamic
# thread-local block from the 16 bytes in front of it when the block starts 16 bytes into a page,
# a layout of an old glibc. With glibc 2.36 those bytes are the allocator's own chunk header, so
# now and then the leak check scans from a stack id as if it were an address and crashes
# ("Tracer caught signal 11: addr=0xb20"). Only dlopen'd libraries have such blocks, and no
# allocation of ours is held there alone.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

exclude=()
if [ "${#excluded_tests[@]}" -ne 0 ]; then
    exclude=(-E "^($(IFS='|'; echo "${excluded_tests[*]}"))\$")
    echo "sanitize: left out of this run: ${excluded_tests[*]}"
fi
# Should LeakSanitizer's own tracer crash at a process's exit for another reason ("Tracer caught
# signal ... LeakSanitizer has encountered a fatal error"), that is a fault of the runtime, not a
# finding. A test that failed only that way, with no test failure and no sanitizer report of its
# own, is run once more; any other failure stands.
only_lsan_crashed() {
    local output
    output=$(awk -v name="$1" '
        $0 ~ "^[0-9]+/[0-9]+ Testing: " && $NF == name { inside = 1; next }
        inside && /^<end of output>$/ { exit }
        inside { print }' Testing/Temporary/LastTest.log)
    grep -q 'LeakSanitizer has encountered a fatal error' <<<"$output" \
        && ! grep -qE '^FAIL! |ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' <<<"$output"
}

cd "$build"
if ctest --output-on-failure -j"$jobs" "${exclude[@]}" "$@"; then
    exit 0
fi
failed=()
while IFS=: read -r _ name; do
    only_lsan_crashed "$name" || exit 1
    failed+=("$name")
done <Testing/Temporary/LastTestsFailed.log
[ "${#failed[@]}" -ne 0 ] || exit 1
echo "sanitize: LeakSanitizer's tracer crashed at the exit of ${failed[*]}; running them once more"
ctest --output-on-failure -R "^($(IFS='|'; echo "${failed[*]}"))\$"
