#!/bin/sh
# Port search time (vuctl find: ports 1 to 255 tried at once) with 1, 8 and 32 silent ports below one
# answering unit, against the time of one silent try (one identifying read with its three attempts).
# Target: within 1.2 of the silent try, whatever the number of ports.
# Usage: bench/port_search.sh [BUILD_DIR] [RUNS]
set -eu
BUILD=${1:-build}
RUNS=${2:-3}
VUSIM=$BUILD/tools/vusim/vusim
VUCTL=$BUILD/tools/vuctl/vuctl
[ -x "$VUSIM" ] && [ -x "$VUCTL" ] || { echo "build vusim and vuctl in $BUILD first" >&2; exit 2; }

DIR=
SIMS=
cleanup() { for p in $SIMS; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null; [ -n "$DIR" ] && rm -rf "$DIR"; }
trap cleanup EXIT INT TERM

wait_link() { for _ in $(seq 200); do [ -L "$DIR/COM$1" ] && return 0; sleep 0.05; done; return 1; }
now_ms() { date +%s%N | awk '{ printf "%.1f", $1 / 1e6 }'; }
median() { tr ' ' '\n' | grep . | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

start_sims() { # $1 = number of silent ports; the unit answers on the port after them
    DIR=$(mktemp -d)
    export VELMORA_SERIAL_DIR="$DIR"
    "$VUSIM" --dir "$DIR" --port "1-$1" --silent 2>/dev/null &
    SIMS="$!"
    "$VUSIM" --dir "$DIR" --port "$(($1 + 1))" 2>/dev/null &
    SIMS="$SIMS $!"
    wait_link "$1"; wait_link "$(($1 + 1))"
}
stop_sims() { for p in $SIMS; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; SIMS=; rm -rf "$DIR"; DIR=; }

# One silent try: the identifying read of the unit clock on a silent port.
start_sims 1
T=""
for _ in $(seq "$RUNS"); do
    t0=$(now_ms); "$VUCTL" --port 1 read VUDateTime >/dev/null 2>&1 || true; t1=$(now_ms)
    T="$T $(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')"
done
SILENT=$(echo "$T" | median)
stop_sims
echo "one silent try: $SILENT ms (median of $RUNS)"

printf "%14s %12s %8s\n" "silent ports" "search ms" ratio
for n in 1 8 32; do
    start_sims "$n"
    T=""
    for _ in $(seq "$RUNS"); do
        t0=$(now_ms); found=$("$VUCTL" find 2>/dev/null); t1=$(now_ms)
        [ "$found" = "$((n + 1))" ] || { echo "search found '$found', expected $((n + 1))" >&2; exit 1; }
        T="$T $(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')"
    done
    stop_sims
    M=$(echo "$T" | median)
    awk -v n="$n" -v m="$M" -v s="$SILENT" 'BEGIN { printf "%14d %12.1f %8.3f\n", n, m, m / s }'
done
echo "target: ratio <= 1.2 for every row"
