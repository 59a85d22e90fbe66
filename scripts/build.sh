#!/usr/bin/env bash
# scripts/build.sh BUILD_DIR [cmake options...] [-- targets...]: configures (on the first run, and again
# whenever options are given) and builds with Ninja; with targets after "--", builds only those.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build}
shift || true
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    options+=("$1")
    shift
done
[ $# -gt 0 ] && shift
targets=()
for t in "$@"; do targets+=(--target "$t"); done
if [ ! -f "$dir/build.ninja" ] || [ ${#options[@]} -gt 0 ]; then
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "${options[@]}"
fi
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
