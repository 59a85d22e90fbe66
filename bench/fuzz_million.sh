#!/bin/sh
# Each fuzz target for a million inputs (or RUNS), starting from its seed corpus: inputs per second,
# peak memory, and whether it found a fault. The fuzz build is made when missing.
# Usage: bench/fuzz_million.sh [BUILD_DIR] [RUNS]
set -eu
TOP=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$TOP/build-fuzz}
RUNS=${2:-1000000}
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$TOP" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_FUZZ=ON \
        -DCMAKE_CXX_COMPILER="${CXX:-clang++-14}" >/dev/null
fi
cmake --build "$BUILD" --target velmora_fuzz >/dev/null

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT INT TERM
export QT_QPA_PLATFORM=offscreen
status=0
printf '%-18s %10s %8s %10s %8s %s\n' target inputs seconds inputs/s rss_mb result
for t in fuzz_replydecode fuzz_linkreply fuzz_records fuzz_texts; do
    mkdir -p "$WORK/$t"
    log="$WORK/$t.log"
    start=$(date +%s.%N)
    if "$BUILD/fuzz/$t" -runs="$RUNS" -print_final_stats=1 "$WORK/$t" "$TOP/fuzz/corpus/$t" >"$log" 2>&1; then
        result=ok
    else
        result="FAULT (log: $BUILD/$t.bench.log)"
        cp "$log" "$BUILD/$t.bench.log"
        status=1
    fi
    end=$(date +%s.%N)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
    awk -v t="$t" -v n="${runs:-0}" -v a="$start" -v b="$end" -v r="${rss:-?}" -v res="$result" \
        'BEGIN { s = b - a; printf "%-18s %10d %8.1f %10.0f %8s %s\n", t, n, s, n / s, r, res }'
done
exit $status
