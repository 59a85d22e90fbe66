#!/usr/bin/env bash
# scripts/package.sh [BUILD_DIR]: builds the programs in Release (build-package/) and makes the Debian
# package velmora_<version>_amd64.deb there with CPack. Needs dpkg-dev (dpkg-buildflags, dpkg-shlibdeps).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build-package}
cd "$top"
# Debian's hardening flags; no debug information, the package is stripped anyway.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
# Only the packaged programs: the tests and benchmarks are built by the test command.
cmake --build "$dir" -j"$(nproc)" --target velmora vuctl vusim
cd "$dir"
cpack -G DEB
ls "$dir"/velmora_*.deb
