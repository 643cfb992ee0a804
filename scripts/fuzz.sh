#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for its share of a bounded time,
# starting from a copy of its committed seed corpus (the repository is never changed). Fails on
# any crash, sanitizer report, mismatch, timeout or memory blow-up; the input that caused it is
# kept in the work folder named at the end.
#
# Usage: scripts/fuzz.sh [seconds for all targets together, default 180]
#   PICTARRA_FUZZ_BUILD   build folder (default build-fuzz beside the sources)
set -euo pipefail
cd "$(dirname "$0")/.."

root=$PWD
total_seconds=${1:-180}
build=$(realpath -m "${PICTARRA_FUZZ_BUILD:-build-fuzz}")
jobs=$(nproc)

scripts/install-deps.sh test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DPICTARRA_FUZZ=ON \
      -DPICTARRA_BUILD_TESTS=OFF -DPICTARRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_pattern fuzz_settings fuzz_localpath fuzz_jpeg \
      fuzz_imageformats

work=$(mktemp -d "${TMPDIR:-/tmp}/pictarra-fuzz.XXXXXX")
failed=()
# target, corpus (and dictionary, where there is one), longest input, share of the time in
# percent. Patterns and names of a few hundred characters each; small pictures. The picture
# decoders take the largest shares: each input costs them the most.
for run in "fuzz_pattern pattern 1024 16" "fuzz_settings settings 8192 16" "fuzz_localpath localpath 256 12" \
           "fuzz_jpeg jpeg 16384 24" "fuzz_imageformats imageformats 65536 32"; do
    read -r target corpus max_len share <<<"$run"
    seconds=$((total_seconds * share / 100))
    mkdir -p "$work/$target/corpus" "$work/$target/found"
    cp fuzz/corpus/"$corpus"/* "$work/$target/corpus/"
    dict=""
    [ -f "fuzz/$corpus.dict" ] && dict="$root/fuzz/$corpus.dict"
    echo "fuzz: $target for ${seconds}s"
    # -timeout: one input taking seconds means a matcher or parser that is far too slow.
    if ! (cd "$work/$target/found" &&
          "$build/fuzz/$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
              -max_len="$max_len" ${dict:+-dict="$dict"} -print_final_stats=1 \
              ../corpus >"../log" 2>&1); then
        failed+=("$target")
        tail -n 60 "$work/$target/log" >&2
    else
        grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$target/log" || true
    fi
done

if [ "${#failed[@]}" -ne 0 ]; then
    echo "fuzz: FAILED: ${failed[*]}; inputs and logs are in $work" >&2
    exit 1
fi
rm -rf "$work"
echo "fuzz: no failures"
