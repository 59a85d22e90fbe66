#!/usr/bin/env bash
# scripts/screenshots.sh [BUILD_DIR]: runs the program under Xvfb against the simulated unit and saves the
# pictures the README shows into docs/screenshots/: the launcher, the information dialog, the calibration
# dialog and its constants editor, and the first page of a printed certificate (from its PDF).
# Run by hand when the look changes; not part of CI.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
"$top/scripts/install-deps.sh" xdotool imagemagick
[ -f "$build/build.ninja" ] || cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build" --target velmora vusim
out=$top/docs/screenshots
mkdir -p "$out"

tmp=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$tmp/display")

mkdir -p "$tmp/ports" "$tmp/home" "$tmp/workshop"
export VELMORA_SERIAL_DIR=$tmp/ports HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/home
"$build/tools/vusim/vusim" --dir "$tmp/ports" --port 3 --no-pacing 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -e "$tmp/ports/COM3" ] && break; sleep 0.1; done

# A workshop as a technician has it: the sample logos, the settings, and one job's certificate record.
cd "$tmp/workshop"
cp "$top"/resources/samples/Logo*.png .
iconv -f UTF-8 -t WINDOWS-1251 >Config.xml <<'XML'
<?xml version="1.0" encoding="Windows-1251"?>
<Config>
    <Order>
        <Label><Printer><Name></Name></Printer></Label>
        <Certificate><Printer><Name></Name></Printer></Certificate>
        <Masters><Master>Иванов И. И.</Master><Master>Петров П. П.</Master></Masters>
    </Order>
    <Workshop>
        <Name>ООО «Вестра»</Name>
        <Address>г. Москва, ул. Автомобильная, д. 1</Address>
        <Code>RUS 0123</Code>
    </Workshop>
</Config>
XML
iconv -f UTF-8 -t WINDOWS-1251 >A123BC199_Crt.xml <<XML
<?xml version="1.0" encoding="Windows-1251"?>
<Certificate>
    <Date>$(date +%d/%m/%Y)</Date>
    <Order><Id>125</Id></Order>
    <Workshop><Master>Иванов И. И.</Master></Workshop>
    <Customer><Name>ООО «Перевозчик»</Name><Address>г. Москва, ул. Складская, д. 7</Address></Customer>
    <Vehicle>
        <Manufacturer>КАМАЗ</Manufacturer>
        <Model>5490</Model>
        <VIN>XTC549005K2512345</VIN>
        <RegNo><Number>А123ВС199</Number></RegNo>
        <Tyre>315/80R22.5</Tyre>
        <Odometer>123456.0</Odometer>
    </Vehicle>
    <VU>
        <PartNo>ВТ-01.02М</PartNo>
        <SerNo> 10004027/03 25/07/A1</SerNo>
        <Manufacturer>Вестра</Manufacturer>
        <ManufacturingDate>07/2025</ManufacturingDate>
    </VU>
    <Data>
        <W-Const>8012</W-Const>
        <K-Const>8000</K-Const>
        <L-Const>3215</L-Const>
        <NextCalibration><Date>$(date -d '+2 years' +%d/%m/%Y)</Date></NextCalibration>
    </Data>
    <Result>
        <Label>Стойка двери водителя</Label>
        <Test>1</Test>
        <Manipulation>0</Manipulation>
        <Remark>Эксплуатация только на территории РФ.</Remark>
    </Result>
</Certificate>
XML

"$build/app/velmora" 2>/dev/null &
pids+=($!)

# Prints the id of the program's visible window of size WxH once it is there; no window manager runs, so
# the sizes tell the windows apart.
window() {
    for _ in $(seq 150); do
        for id in $(xdotool search --onlyvisible --class velmora 2>/dev/null); do
            if [ "$(xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ {print $2}')" = "$1" ]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.2
    done
    echo "screenshots: no window of size $1 appeared" >&2
    return 1
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
key() { xdotool windowfocus --sync "$1" key "$2"; }
shot() { import -window "$1" "$out/$2.png"; echo "$out/$2.png"; }
# The newest visible window of the program.
newest() { xdotool search --onlyvisible --class velmora | sort -n | tail -n 1; }

launcher=$(window 350x430)
sleep 1
shot "$launcher" launcher

click "$launcher" 175 110 # Программировать
info=$(window 624x480)
sleep 3 # the reading cycle
shot "$info" information
key "$info" Escape

window 350x430 >/dev/null
click "$launcher" 175 180 # Калибровать
calibration=$(window 490x500)
sleep 3
shot "$calibration" calibration
click "$calibration" 460 140 # the constants editor
if editor=$(window 540x200); then
    sleep 1
    shot "$editor" constants
    key "$editor" Escape
    key "$(window 490x500)" Escape
else
    echo "screenshots: the constants editor did not open; constants.png not made" >&2
fi

window 350x430 >/dev/null
click "$launcher" 175 250 # Документы
certificate=$(window 800x660)
sleep 1
# Load the job's record: the buttons sit in the bottom row; the file dialog takes the name.
xdotool windowfocus --sync "$certificate"
click "$certificate" 30 630
sleep 1.5
xdotool type --delay 20 "A123BC199_Crt.xml"
xdotool key Return
sleep 1.5
shot "$certificate" certificate-dialog

click "$certificate" 399 630 # print the certificate: the print preview
sleep 2
preview=$(newest)
# Wide enough for the whole tool bar, whose last button prints.
xdotool windowsize --sync "$preview" 1000 700
sleep 1
click "$preview" 671 18 # Print: the print dialog, whose only printer here is a PDF file
sleep 2
key "$(newest)" Return # to the dialog's own file, print.pdf in the home folder
for _ in $(seq 50); do [ -s "$HOME/print.pdf" ] && break; sleep 0.2; done
sleep 1 # the printing has finished writing
pdftoppm -png -r 80 -singlefile "$HOME/print.pdf" "$out/certificate"
echo "$out/certificate.png"
