#!/usr/bin/env bash
# Installs what is missing, makes a Release build with Debian's usual compiler and linker
# hardening, and its Debian package: build-package/pictarra_<version>_<architecture>.deb.
# Install that with: sudo apt install ./build-package/pictarra_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh package
build=build-package
# The flags apply when the folder is first configured, as CMake takes them from the environment.
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPICTARRA_BUILD_TESTS=OFF -DPICTARRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
rm -f pictarra_*.deb
cpack -G DEB
ls -l pictarra_*.deb
