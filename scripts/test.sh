#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, runs every test;
# then builds the fuzz targets with clang and gives each a short run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
# Every C++ file is formatted with the project's .clang-format.
(cd "$top" && git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror)
"$top/scripts/build.sh" "$top/build-asan" -DVELMORA_SANITIZE=ON
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$top/build-asan"
ctest --output-on-failure --timeout 300 -j2
"$top/scripts/check-package.sh"
# The Windows program, its setup program and its tests under Wine (vusim and vuctl from build-asan).
"$top/scripts/test-windows.sh" "$top/build-asan"

# Fuzz targets: their own small clang build, each run on its seeds plus a bounded number of inputs.
cmake -S "$top" -B "$top/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$top/build-fuzz" --target velmora_fuzz -j"$(nproc)"
cd "$top/build-fuzz"
ctest --output-on-failure -L fuzz -j2
