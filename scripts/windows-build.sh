#!/usr/bin/env bash
# scripts/windows-build.sh [BUILD_DIR] [-- targets...]: cross-builds the program for Windows (x86_64,
# mingw-w64) against Qt for Windows (scripts/windows-qt.sh), makes BUILD_DIR/Velmora, the folder that runs
# on any Windows 10/11 PC, and the setup program BUILD_DIR/velmora-<version>-setup.exe (NSIS).
# Targets after "--" are built as well (the test command adds the core's unit tests).
# Default BUILD_DIR: build-windows in the clone.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build-windows}
shift || true
[ "${1:-}" = "--" ] && shift
extra=("$@")
"$top/scripts/install-deps.sh" nsis
qt=$("$top/scripts/windows-qt.sh")
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$top")}

if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr >/dev/null
fi
targets=(velmora vuctl velmora-workshop "${extra[@]}")
nice cmake --build "$dir" -j"$(nproc)" $(printf -- '--target %s ' "${targets[@]}")

# The folder: the programs, the Qt DLLs and plugins they load, Qt's Russian texts, the compiler's runtime
# and the samples. A qt.conf makes the folder Qt's prefix, so that translations/ is found in it.
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
deploy=$dir/Velmora
rm -rf "$deploy"
mkdir -p "$deploy"/{platforms,styles,imageformats,translations,samples/training}
cp "$dir"/velmora.exe "$dir"/vuctl.exe "$dir"/velmora-workshop.exe "$deploy/"
for m in Core Gui Widgets Xml PrintSupport; do cp "$qt/bin/Qt6$m.dll" "$deploy/"; done
cp "$qt/plugins/platforms/qwindows.dll" "$deploy/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$deploy/styles/"
cp "$qt/plugins/imageformats/qjpeg.dll" "$qt/plugins/imageformats/qico.dll" "$deploy/imageformats/"
cp /usr/share/qt6/translations/qtbase_ru.qm "$deploy/translations/"
printf '[Paths]\nPrefix=.\n' >"$deploy/qt.conf"
cp /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll \
    /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll \
    /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$deploy/"
cp "$top/resources/samples/LogoCertif.png" "$top/resources/samples/LogoLabel.png" "$deploy/samples/"
# The training workshop: a made-up workshop's settings, in the program's code page, and the marker file.
iconv -f UTF-8 -t WINDOWS-1251 "$top/packaging/training/Config.xml.in" >"$deploy/samples/training/Config.xml"
cp "$top/packaging/training/Training.txt" "$deploy/samples/training/"
cp "$top/packaging/icons/velmora.ico" "$deploy/"
find "$deploy" -name '*.dll' -o -name '*.exe' | xargs x86_64-w64-mingw32-strip --strip-unneeded

setup=$dir/velmora-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DDEPLOY="$deploy" -DOUTFILE="$setup" \
    "$top/packaging/windows/velmora.nsi"
echo "windows-build: $(basename "$setup") ($(du -k "$setup" | cut -f1) KiB), folder $deploy"
