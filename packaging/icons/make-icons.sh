#!/usr/bin/env bash
# Renders the application icon velmora.svg at the sizes the package installs into the hicolor theme.
# Needs rsvg-convert (librsvg2-bin). Not part of the build: the results are kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128 256; do
    rsvg-convert -w "$size" -h "$size" velmora.svg -o "velmora-$size.png"
done
