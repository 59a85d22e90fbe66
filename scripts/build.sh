#!/usr/bin/env bash
# scripts/build.sh BUILD_DIR [cmake options...]: configures (once) and builds with Ninja.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build}
shift || true
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "$@"
fi
cmake --build "$dir" -j"$(nproc)"
