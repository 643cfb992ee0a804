#!/usr/bin/env bash
# Installs what is missing, builds Pictarra (Release) and starts it on the sample pictures.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPICTARRA_BUILD_TESTS=OFF -DPICTARRA_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Pictarra is a desktop program: it needs a desktop session (or an X server such as Xvfb)." >&2
    echo "Start it from a desktop terminal, or run e.g.: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi

exec build/pictarra "$PWD/samples" "$@"
