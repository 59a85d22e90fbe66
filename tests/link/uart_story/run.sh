#!/usr/bin/env bash
# run.sh WORK VUSIM STORY [WINE64 PRELOAD]: tells the serial port story against simulated units.
# Starts the units the story expects as WORK/ports/COM1-3, then runs STORY natively (the POSIX port finds
# them through VELMORA_SERIAL_DIR) or, given WINE64, under Wine in the prefix WORK/prefix, whose COM1-3
# are the same units. Stops the units (and this prefix's Wine server) by their process ids at the end.
set -euo pipefail
work=$1 vusim=$2 story=$3 wine=${4:-} preload=${5:-}
ports=$work/ports
wineserver=""

pids=()
stop() {
    # Ends every process of this prefix (services Wine started for the story), then its server.
    if [ -n "$wineserver" ]; then "$wineserver" -k >/dev/null 2>&1 || true; fi
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap stop EXIT
trap 'exit 1' INT TERM

rm -rf "$ports"
mkdir -p "$ports"
"$vusim" --dir "$ports" --port 1 &
pids+=($!)
"$vusim" --dir "$ports" --port 2 --silent &
pids+=($!)
"$vusim" --dir "$ports" --port 3 --fault gap=12:500 &
pids+=($!)
for n in 1 2 3; do
    for _ in $(seq 100); do
        [ -L "$ports/COM$n" ] && break
        sleep 0.1
    done
    [ -L "$ports/COM$n" ] || { echo "vusim did not offer COM$n" >&2; exit 1; }
done
# An earlier program left port 1 as a terminal (line editing, echo, XON/XOFF): the port must make the
# line binary again.
stty -F "$ports/COM1" sane ixon ixoff

# The story runs in the background so that a signal (a test time-out) still reaches the trap above.
if [ -z "$wine" ]; then
    VELMORA_SERIAL_DIR=$ports "$story" &
    wait $!
    exit
fi

# No Mono or Gecko installer (which would want a display), no menu entries in the user's home.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wineserver=$(dirname "$wine")/wineserver
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
    start=$(date +%s%N)
    # Wine's mount manager links comN to /dev/ttyS* at each start unless the registry names the port.
    # Port 9 names a file that never exists, as on the POSIX side, so that no serial device of this
    # machine takes its place.
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n' >"$work/ports.reg"
    for n in 1 2 3 9; do printf '"COM%d"="%s/COM%d"\n' "$n" "$ports" "$n" >>"$work/ports.reg"; done
    if ! { "$wine" wineboot --init && "$wine" regedit /S "$work/ports.reg"; } >"$work/prefix.log" 2>&1; then
        cat "$work/prefix.log" >&2
        exit 1
    fi
    "$wineserver" -k >>"$work/prefix.log" 2>&1 || true # the next start reads the ports from the registry
    echo "Wine prefix made in $((($(date +%s%N) - start) / 1000000)) ms"
fi
# Our own server, so that what it prints goes to its log.
"$wineserver" -f -p >"$work/wineserver.log" 2>&1 &
pids+=($!)
# A pseudo-terminal drops the parity flag; the preloaded library lets Wine's SetCommState accept that.
LD_PRELOAD=$preload "$wine" "$story" &
wait $!
