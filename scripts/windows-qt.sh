#!/usr/bin/env bash
# scripts/windows-qt.sh: prints the folder of Qt 6.4.2 for Windows (x86_64, mingw-w64, posix threads),
# making it on the first call. The tree lives in a cache outside the clone
# (VELMORA_CACHE, else ~/.cache/velmora), so that every later run and every clone reuse it.
# It comes from the ready archive (VELMORA_QT_ARCHIVE, else ../shared/windows next to the clone, else
# /work/shared/windows) when that archive's SHA-256 matches the one this script knows; otherwise it is
# built from Debian's own qt6-base source package with the flags of the script that made the archive
# (../shared/windows/build-qt.sh), which takes about an hour on 2 cores (some 1 170 build steps).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
version=6.4.2
sha256=29f1767f3c52044fb1790a90e317585d0b1a875b8753419da196a1d2ce251d6c
cache=${VELMORA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora}
name=qt-$version-mingw64
tree=$cache/$name
archive=${VELMORA_QT_ARCHIVE:-}
if [ -z "$archive" ]; then
    for candidate in "$top/../shared/windows/$name.tar.xz" "/work/shared/windows/$name.tar.xz"; do
        [ -f "$candidate" ] && { archive=$candidate; break; }
    done
fi

# A tree counts only once it was completely unpacked or installed (the stamp is written last).
if [ -f "$tree/.velmora-complete" ]; then
    echo "$tree"
    exit 0
fi
mkdir -p "$cache"
rm -rf "$tree" "$tree.partial"

if [ -n "$archive" ] && [ -f "$archive" ] && echo "$sha256  $archive" | sha256sum -c --status; then
    echo "Qt for Windows: unpacking $archive" >&2
    mkdir -p "$tree.partial"
    tar -C "$tree.partial" -xJf "$archive"
    mv "$tree.partial/$name" "$tree"
    rmdir "$tree.partial"
else
    [ -n "$archive" ] && echo "Qt for Windows: $archive does not match its checksum; building" >&2
    echo "Qt for Windows: building Qt $version from Debian's source (about an hour on 2 cores)" >&2
    work=$cache/qt-build
    mkdir -p "$work" && cd "$work"
    # The source package, through a private sources list: the machine's own apt lists stay as they are.
    if [ ! -d qtbase-everywhere-src-$version ]; then
        mkdir -p apt/lists/partial
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >apt/src.sources
            list=(-o Dir::Etc::sourceparts="$work/apt" -o Dir::Etc::sourcelist=/nonexistent)
        else
            sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >apt/src.list
            list=(-o Dir::Etc::sourcelist="$work/apt/src.list" -o Dir::Etc::sourceparts=/nonexistent)
        fi
        opts=("${list[@]}" -o Dir::State::Lists="$work/apt/lists")
        apt-get update "${opts[@]}" >/dev/null
        apt-get source --download-only "${opts[@]}" "qt6-base=$version+dfsg-10"
        tar xf "qt6-base_$version+dfsg.orig.tar.xz"
    fi
    # Qt 6.4.2's Windows platform plugin asks for dynamic OpenGL even when OpenGL is off; guard that place.
    sed -i '/^static inline bool isSoftwareGl()$/,/^}$/ s/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
        qtbase-everywhere-src-$version/src/plugins/platforms/windows/qwindowswindow.cpp
    # Tablet support is off: the source package leaves out its Windows header (wintab.h).
    nice cmake -S qtbase-everywhere-src-$version -B build -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$tree.partial" -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
        -DFEATURE_system_doubleconversion=OFF >&2
    nice cmake --build build -j"$(nproc)" >&2
    cmake --install build >&2
    mv "$tree.partial" "$tree"
fi
touch "$tree/.velmora-complete"
echo "$tree"
