#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need, and those named as arguments
# (only those missing).
set -euo pipefail

packages=(
    cmake ninja-build g++ ccache pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    fonts-dejavu-core xvfb xauth poppler-utils
    g++-mingw-w64-x86-64 wine64 nsis xdotool locales
    clang-14 libclang-rt-14-dev clang-format
    librapidcheck-dev
)

missing=()
for p in "${packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y --no-install-recommends "${missing[@]}" || {
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}
