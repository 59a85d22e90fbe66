#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated vehicle unit and the program on it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
# Only the program and the simulator: the tests are not needed to try the program.
"$top/scripts/build.sh" "$top/build" -- velmora vusim
export VELMORA_SERIAL_DIR=${VELMORA_SERIAL_DIR:-$(mktemp -d /tmp/velmora-ports.XXXXXX)}
"$top/build/tools/vusim/vusim" --dir "$VELMORA_SERIAL_DIR" --port 3 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
# Wait until the simulator has made its port.
for _ in $(seq 50); do [ -e "$VELMORA_SERIAL_DIR/COM3" ] && break; sleep 0.1; done
cd "$top/build"
# Sample logos live in the working directory of the program.
cp -n "$top"/resources/samples/*.png . 2>/dev/null || true
"$top/build/app/velmora"
