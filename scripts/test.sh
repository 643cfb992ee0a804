#!/usr/bin/env bash
# Installs what is missing, builds Pictarra with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DPICTARRA_WERROR=ON >/dev/null
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure -j"$(nproc)"
