#!/bin/sh
# vuctl dump against the simulated unit at 9600 baud: wall time against the time the bytes need on the
# line plus the unit's response time (target ratio <= 1.15); then the CPU a process uses while it
# waits in a read on a silent unit (target: near zero).
# Usage: bench/vuctl_dump.sh [BUILD_DIR] [RUNS]
set -eu
BUILD=${1:-build}
RUNS=${2:-5}
VUSIM=$BUILD/tools/vusim/vusim
VUCTL=$BUILD/tools/vuctl/vuctl
RESPONSE=5
[ -x "$VUSIM" ] && [ -x "$VUCTL" ] || { echo "build vusim and vuctl in $BUILD first" >&2; exit 2; }

DIR=$(mktemp -d)
SIM=
cleanup() { [ -n "$SIM" ] && kill "$SIM" 2>/dev/null; wait 2>/dev/null; rm -rf "$DIR"; }
trap cleanup EXIT INT TERM

wait_link() { for _ in $(seq 100); do [ -L "$DIR/COM$1" ] && return 0; sleep 0.05; done; return 1; }
now_ms() { date +%s%N | awk '{ printf "%.3f", $1 / 1e6 }'; }
# Bytes on the line (received and sent) and replies in a simulator trace.
trace_bytes() { awk '$2 == "RX" || $2 == "TX" { n += NF - 2 } END { print n + 0 }' "$1"; }
trace_replies() { awk '$2 == "TX" { n++ } END { print n + 0 }' "$1"; }

export VELMORA_SERIAL_DIR="$DIR"
"$VUSIM" --dir "$DIR" --port 1 --response $RESPONSE --verbose 2>"$DIR/trace" &
SIM=$!
wait_link 1

echo "vuctl dump, $RUNS runs, simulator response time $RESPONSE ms per reply"
printf "%4s %10s %10s %10s %8s\n" run "wall ms" "wire ms" "expect ms" ratio
RATIOS=""
for run in $(seq "$RUNS"); do
    : >"$DIR/trace"
    t0=$(now_ms)
    "$VUCTL" --port 1 dump >"$DIR/out"
    t1=$(now_ms)
    lines=$(wc -l <"$DIR/out")
    bytes=$(trace_bytes "$DIR/trace")
    replies=$(trace_replies "$DIR/trace")
    line=$(awk -v r="$run" -v t0="$t0" -v t1="$t1" -v b="$bytes" -v n="$replies" -v rt=$RESPONSE 'BEGIN {
        wall = t1 - t0; wire = b * 11000 / 9600; e = wire + n * rt
        printf "%4d %10.1f %10.1f %10.1f %8.3f", r, wall, wire, e, wall / e }')
    echo "$line   ($lines values)"
    RATIOS="$RATIOS $(echo "$line" | awk '{ print $5 }')"
done
echo "$RATIOS" | tr ' ' '\n' | grep . | sort -n | awk '{ a[NR] = $1 } END { printf "median ratio %.3f (target <= 1.15)\n", a[int((NR + 1) / 2)] }'

kill "$SIM"; wait "$SIM" 2>/dev/null || true; SIM=

# Idle CPU: vuctl waits on a unit that never answers (three attempts of about 0.6 s each).
"$VUSIM" --dir "$DIR" --port 2 --silent 2>/dev/null &
SIM=$!
wait_link 2
"$VUCTL" --port 2 read KConst 2>/dev/null &
CTL=$!
sleep 0.2
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { print s + 0 }'; }
c0=$(cpu_ns $CTL); s0=$(cpu_ns $SIM); t0=$(now_ms)
sleep 1.4
c1=$(cpu_ns $CTL); s1=$(cpu_ns $SIM); t1=$(now_ms)
wait $CTL || true
awk -v c="$((c1 - c0))" -v s="$((s1 - s0))" -v t0="$t0" -v t1="$t1" 'BEGIN {
    w = t1 - t0
    printf "idle CPU over %.0f ms while vuctl waits on a silent unit: vuctl %.3f ms (%.3f%%), vusim %.3f ms (%.3f%%)\n",
        w, c / 1e6, c / 1e4 / w, s / 1e6, s / 1e4 / w }'
