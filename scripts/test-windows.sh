#!/usr/bin/env bash
# scripts/test-windows.sh [LINUX_BUILD_DIR]: the Windows part of the test command. Builds the program,
# the setup program and the Windows tests (scripts/windows-build.sh, into build-windows/), then under Wine,
# in a fresh Wine prefix whose user has a Russian locale and a Documents folder named "Документы":
#   1. the core's unit tests (link, records, value texts);
#   2. the setup program, installed silently (/S): files, Start-menu entries, DLLs that a PC would lack;
#   3. the installed program started from its Start-menu entry on a display (Xvfb): the launcher comes up
#      in the workshop folder Documents\Velmora, made with the sample logos; then the training entry: the
#      launcher says so, and Программировать finds the simulated unit inside the program;
#   4. the stories of tests/e2e/tst_windows_stories.cpp against the simulated unit vusim on a
#      pseudo-terminal that Wine offers as COM3: the registration number and K the program wrote are read
#      back from the unit with vuctl, the printed certificate with pdftotext;
#   5. the uninstaller (/S): the program goes, the workshop folder stays.
# vusim and vuctl are the Linux ones of LINUX_BUILD_DIR (default build-asan, which the test command builds).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
linux=${1:-$top/build-asan}
win=$top/build-windows
# The program runs on Wine's display driver; only the unit tests take Qt's offscreen platform.
unset QT_QPA_PLATFORM
"$top/scripts/install-deps.sh" nsis xdotool locales
unit_tests=(tst_vuerror tst_valuecodecs tst_xmlelements tst_recordfile tst_workshopconfig tst_certificaterecord
            tst_workrecords tst_formatters tst_simulatedline)
for tool in vusim/vusim vuctl/vuctl; do
    [ -x "$linux/tools/$tool" ] || { echo "test-windows: $linux/tools/$tool missing" >&2; exit 1; }
done

started=$(date +%s)
since() { echo "$(($(date +%s) - $1)) s"; }
"$top/scripts/windows-build.sh" "$win" -- "${unit_tests[@]}" tst_windows_stories
qt=$("$top/scripts/windows-qt.sh") # before HOME changes below
echo "test-windows: Windows build $(since "$started")"

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-windows.XXXXXX")
pids=()
stop() {
    WINEPREFIX=$work/prefix "$wineserver" -k >/dev/null 2>&1 || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 1' INT TERM
failures=0
fail() {
    echo "test-windows: FAIL $*" >&2
    failures=$((failures + 1))
}
ok() { echo "test-windows: ok   $*"; }
# Waits for the prefix's programs to end; what still runs after a minute is ended.
settle() { timeout 60 "$wineserver" -w || "$wineserver" -k; }
# The first visible window whose title matches the pattern, within 30 s; empty when none came.
window_named() {
    local id=""
    for _ in $(seq 150); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && break
        sleep 0.2
    done
    echo "$id"
}

# A Russian Windows: Wine takes the user's locale, and with it the ANSI code page 1251, from the Unix one,
# made here in a private folder so that the machine's locales stay as they are.
export LOCPATH=$work/locale
mkdir -p "$LOCPATH"
localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8"
export LC_ALL=ru_RU.UTF-8
# A home of its own: Wine links the user's Documents folder to the XDG documents folder there.
export HOME=$work/home
docs=$HOME/Документы
mkdir -p "$HOME/.config" "$docs"
echo 'XDG_DOCUMENTS_DIR="$HOME/Документы"' >"$HOME/.config/user-dirs.dirs"
# No Mono or Gecko installer, no menu entries on this machine.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# A display of our own.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "test-windows: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$work/display")

# The prefix. Ports 1 to 9 are named in the registry (else Wine links them to this machine's /dev/ttyS*);
# only COM3 will exist.
ports=$work/ports
mkdir -p "$ports"
step=$(date +%s)
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n' >"$work/ports.reg"
for n in $(seq 9); do printf '"COM%d"="%s/COM%d"\n' "$n" "$ports" "$n" >>"$work/ports.reg"; done
if ! { "$wine" wineboot --init && "$wine" regedit /S "$work/ports.reg" && timeout 120 "$wineserver" -w; } \
    >"$work/prefix.log" 2>&1; then
    cat "$work/prefix.log" >&2
    exit 1
fi
echo "test-windows: Wine prefix $(since "$step")"
drive_c=$WINEPREFIX/drive_c

# 1. The core's unit tests, next to the program's DLLs, on Qt's offscreen platform.
step=$(date +%s)
bin=$work/bin
cp -r "$win/Velmora" "$bin"
cp "$qt/bin/Qt6Test.dll" "$bin/"
cp "$qt/plugins/platforms/qoffscreen.dll" "$bin/platforms/"
for t in "${unit_tests[@]}" tst_windows_stories; do cp "$win/$t.exe" "$bin/"; done
for t in "${unit_tests[@]}"; do
    if QT_QPA_PLATFORM=offscreen timeout 120 "$wine" "$bin/$t.exe" -o "$work/$t.txt,txt" >/dev/null 2>&1; then
        ok "$t ($(grep -a '^Totals' "$work/$t.txt"))"
    else
        fail "$t"
        grep -a -A3 '^FAIL' "$work/$t.txt" >&2 || cat "$work/$t.txt" >&2
    fi
done
echo "test-windows: unit tests $(since "$step")"

# 2. The setup program, silently.
step=$(date +%s)
setup=$(ls "$win"/velmora-*-setup.exe)
"$wine" "$setup" /S
settle
installed=$drive_c/Program\ Files/Velmora
menu=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Velmora
missing=()
for f in velmora.exe vuctl.exe velmora-workshop.exe uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
    Qt6Xml.dll Qt6PrintSupport.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll \
    imageformats/qjpeg.dll translations/qtbase_ru.qm qt.conf libstdc++-6.dll libgcc_s_seh-1.dll \
    libwinpthread-1.dll samples/LogoCertif.png samples/LogoLabel.png; do
    [ -f "$installed/$f" ] || missing+=("$f")
done
[ ${#missing[@]} -eq 0 ] && ok "setup installed the program" || fail "setup: missing ${missing[*]}"
[ -f "$menu/Velmora.lnk" ] && [ -f "$menu/Velmora — учебный режим.lnk" ] && ok "Start-menu entries" ||
    fail "Start-menu entries missing in $menu: $(ls "$menu" 2>&1 | tr '\n' ' ')"
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora' /v UninstallString \
    >/dev/null 2>&1 && ok "uninstall entry" || fail "no uninstall entry in the registry"
# Every DLL a program or plugin of the folder loads is in the folder or one Windows has.
lacking=$(find "$installed" -iname '*.exe' -o -iname '*.dll' | while read -r pe; do
    x86_64-w64-mingw32-objdump -p "$pe" | sed -n 's/^\s*DLL Name: //p'
done | sort -u | while read -r dll; do
    [ -n "$(find "$installed" "$drive_c/windows/system32" -maxdepth 1 -iname "$dll" | head -n 1)" ] ||
        echo "$dll"
done)
[ -z "$lacking" ] && ok "every DLL loaded is there" || fail "DLLs a PC would lack:" $lacking

# 3. The installed program from its Start-menu entry: the launcher in the workshop folder.
"$wine" start /unix "$menu/Velmora.lnk"
launcher=$(window_named '^Вестра:Вельмора\. v1\.0$')
[ -n "$launcher" ] && ok "the installed program shows the launcher" || fail "no launcher window"
for logo in LogoCertif.png LogoLabel.png; do
    cmp -s "$docs/Velmora/$logo" "$top/resources/samples/$logo" || fail "$logo not in Документы/Velmora"
done
[ -d "$docs/Velmora" ] && ok "workshop folder Документы/Velmora made with the logos"
"$wine" taskkill /F /IM velmora.exe >/dev/null 2>&1 || true
settle

# The training entry: its own folder, the launcher's title says so, and Программировать finds the unit
# (its dialog, 624 x 480 at least, opens only once a unit answered; without one the error dialog comes).
ls -l --time-style=full-iso "$docs/Velmora" >"$work/workshop-before"
"$wine" start /unix "$menu/Velmora — учебный режим.lnk"
launcher=$(window_named 'учебный режим$')
if [ -z "$launcher" ]; then
    fail "no training launcher: $(xdotool search --onlyvisible --name . getwindowname %@ 2>&1 | tr '\n' ' ')"
else
    ok "the training entry shows the launcher in training"
    sleep 1
    xdotool mousemove --window "$launcher" 175 110 click 1 # Программировать
    info=""
    for _ in $(seq 150); do
        for w in $(xdotool search --onlyvisible --name 'Вельмора' 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$w")"
            [ "$WIDTH" -ge 600 ] && [ "$HEIGHT" -ge 450 ] && info=$w
        done
        [ -n "$info" ] && break
        sleep 0.2
    done
    [ -n "$info" ] && ok "in training, Программировать finds the simulated unit" ||
        fail "in training, Программировать found no unit"
fi
"$wine" taskkill /F /IM velmora.exe >/dev/null 2>&1 || true
settle
for f in LogoCertif.png LogoLabel.png Config.xml Training.txt; do
    [ -s "$docs/Velmora-учебный/$f" ] || fail "$f missing in the training folder"
done
ls -l --time-style=full-iso "$docs/Velmora" | diff -u "$work/workshop-before" - || fail "training changed the workshop"
echo "test-windows: setup and start $(since "$step")"

# 4. The stories against the unit on COM3, in a workshop folder with a Cyrillic name.
step=$(date +%s)
"$linux/tools/vusim/vusim" --dir "$ports" --port 3 >"$work/vusim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -L "$ports/COM3" ] && break; sleep 0.1; done
[ -L "$ports/COM3" ] || { echo "test-windows: vusim did not offer COM3" >&2; exit 1; }
# A pseudo-terminal drops the parity flag that Wine's SetCommState sets; this lets it (see the file).
g++ -std=c++20 -O2 -shared -fPIC -o "$work/PtyParity.so" "$top/tests/link/uart_story/PtyParity.cpp" -ldl
workshop=$docs/Мастерская
mkdir -p "$workshop"
cp "$top"/resources/samples/Logo*.png "$workshop/"
regno=$(printf 'B%03dKX%02d' $((RANDOM % 1000)) $((RANDOM % 100)))
kconst=$((1000 + RANDOM % 60000))
if LD_PRELOAD=$work/PtyParity.so VELMORA_STORY_REGNO=$regno VELMORA_STORY_KCONST=$kconst \
    timeout 300 "$wine" "$bin/tst_windows_stories.exe" -o "$work/stories.txt,txt" >/dev/null 2>&1; then
    ok "stories ($(grep -a '^Totals' "$work/stories.txt"))"
else
    fail "stories"
    grep -a -B2 -A4 '^FAIL' "$work/stories.txt" >&2 || cat "$work/stories.txt" >&2
fi
unit=$(VELMORA_SERIAL_DIR=$ports "$linux/tools/vuctl/vuctl" --port 3 read VehicleRegNo KConst 2>&1) || true
grep -qx "VehicleRegNo=$regno *" <<<"$unit" && ok "the unit holds the registration number $regno" ||
    fail "registration number $regno not on the unit: $unit"
grep -qx "KConst=$kconst" <<<"$unit" && ok "the unit holds K = $kconst" || fail "K $kconst not on the unit: $unit"
pdf=$workshop/Свидетельство.pdf
text=$(pdftotext "$pdf" - 2>&1) || true
grep -qx "$regno" <<<"$text" && grep -qx "$kconst" <<<"$text" && ok "the printed certificate shows both" ||
    fail "certificate $pdf lacks $regno or $kconst: $text"
echo "test-windows: stories $(since "$step")"

# 5. The uninstaller: it copies itself away and ends at once, so wait for the folder to go.
step=$(date +%s)
"$wine" "$installed/uninstall.exe" /S
for _ in $(seq 150); do [ -e "$installed" ] || break; sleep 0.2; done
settle
[ ! -e "$installed" ] && [ ! -e "$menu" ] && ok "the uninstaller removed the program and its entries" ||
    fail "left after uninstalling: $(ls "$installed" "$menu" 2>&1 | tr '\n' ' ')"
cmp -s "$docs/Velmora/LogoCertif.png" "$top/resources/samples/LogoCertif.png" && ok "the workshop folder stays" ||
    fail "the uninstaller touched the workshop folder"
echo "test-windows: uninstall $(since "$step")"

echo "test-windows: setup program $(basename "$setup") $(du -k "$setup" | cut -f1) KiB; all $(since "$started")"
[ "$failures" -eq 0 ] || { echo "test-windows: $failures failed" >&2; exit 1; }
