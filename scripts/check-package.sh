#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh) and checks it: control fields, file list, lintian, and the
# menu entry's start in a new home: workshop folder made, sample logos copied, the program running there;
# the training entry's start under Xvfb: the simulated unit up, the program in the training folder listing
# the training workshop's two technicians in Настройки and finding the unit.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build-package}
"$top/scripts/install-deps.sh" dpkg-dev lintian xdotool
"$top/scripts/package.sh" "$dir" >/dev/null
deb=$(ls "$dir"/velmora_*_amd64.deb)
tmp=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

info=$(dpkg-deb --info "$deb")
for field in 'Package: velmora' 'Version: 1.0' 'Architecture: amd64' 'Section: utils' 'Maintainer: .*<.*@.*>'; do
    grep -q "^ $field" <<<"$info" || fail "control field '$field' missing"
done
# Computed from the binaries by dpkg-shlibdeps, plus the platform plugins named by hand.
depends=$(sed -n 's/^ Depends: //p' <<<"$info" | tr ',' '\n' | awk '{print $1}')
for dep in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6 libqt6xml6 qt6-qpa-plugins; do
    grep -qxF "$dep" <<<"$depends" || fail "dependency $dep missing:" $depends
done

dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$tmp/files"
cat >"$tmp/expected" <<'LIST'
./usr/bin/velmora
./usr/bin/vuctl
./usr/bin/vusim
./usr/libexec/velmora/velmora-training
./usr/libexec/velmora/velmora-workshop
./usr/libexec/velmora/vusim
./usr/share/applications/velmora-training.desktop
./usr/share/applications/velmora.desktop
./usr/share/doc/velmora/changelog.gz
./usr/share/doc/velmora/copyright
./usr/share/icons/hicolor/128x128/apps/velmora.png
./usr/share/icons/hicolor/256x256/apps/velmora.png
./usr/share/icons/hicolor/48x48/apps/velmora.png
./usr/share/icons/hicolor/scalable/apps/velmora.svg
./usr/share/man/man1/velmora.1.gz
./usr/share/man/man1/vuctl.1.gz
./usr/share/man/man1/vusim.1.gz
./usr/share/metainfo/velmora.metainfo.xml
./usr/share/velmora/samples/LogoCertif.png
./usr/share/velmora/samples/LogoLabel.png
./usr/share/velmora/samples/training/Config.xml
./usr/share/velmora/samples/training/Training.txt
LIST
diff -u "$tmp/expected" "$tmp/files" || fail "file list differs (- expected, + in the package)"

# Errors fail the check; warnings are printed.
lintian --fail-on error "$deb"

# The menu entry's command, run from the unpacked package in a new home whose documents folder has a
# Russian name, as on a Russian desktop.
dpkg-deb -x "$deb" "$tmp/root"
home=$tmp/home
mkdir -p "$home/.config"
echo 'XDG_DOCUMENTS_DIR="$HOME/Документы"' >"$home/.config/user-dirs.dirs"
exec_line=$(sed -n 's/^Exec=//p' "$tmp/root/usr/share/applications/velmora.desktop")
workshop=$home/Документы/Velmora
start() {
    (cd / && exec env -i HOME="$home" XDG_RUNTIME_DIR="$tmp" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$tmp/root$exec_line") &
    pid=$!
    for _ in $(seq 100); do
        [ "$(readlink "/proc/$pid/cwd")" = "$workshop" ] && [ "$(readlink "/proc/$pid/exe")" = "$tmp/root/usr/bin/velmora" ] && break
        sleep 0.1
    done
    sleep 1 # still running a moment later: the launcher came up
    kill -0 "$pid" 2>/dev/null || fail "the program ended at once"
    [ "$(readlink "/proc/$pid/cwd")" = "$workshop" ] || fail "the program does not run in $workshop"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
}
start
for logo in LogoCertif.png LogoLabel.png; do
    cmp -s "$workshop/$logo" "$top/resources/samples/$logo" || fail "sample $logo not copied into $workshop"
done
# Later starts leave the workshop's own files alone.
echo own >"$workshop/LogoCertif.png"
rm "$workshop/LogoLabel.png"
start
[ "$(cat "$workshop/LogoCertif.png")" = own ] && [ ! -e "$workshop/LogoLabel.png" ] ||
    fail "the workshop's logos were changed on a later start"
[ "$(readlink -f "$tmp/root/usr/bin/vusim")" = "$tmp/root/usr/libexec/velmora/vusim" ] ||
    fail "/usr/bin/vusim does not lead to the simulator in libexec"

# The training entry, in the same home under Xvfb: it makes its own folder, starts the simulated unit,
# the program there shows the training workshop's technicians in Настройки (saved on OK) and finds the unit
# when the technician clicks Программировать. The workshop stays as it is.
training=$home/Документы/Velmora-учебный
training_exec=$(sed -n 's/^Exec=//p' "$tmp/root/usr/share/applications/velmora-training.desktop")
ls -l --time-style=full-iso "$workshop" >"$tmp/workshop-before"
cat >"$tmp/train.sh" <<'TRAIN'
#!/usr/bin/env bash
# Runs inside xvfb-run: $1 the entry's command, $2 the new home, $3 the runtime folder, $4 the log.
set -u
env -i HOME="$2" XDG_RUNTIME_DIR="$3" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" \
    "$1" 2>"$4" &
entry=$!
launcher=""
for _ in $(seq 150); do
    launcher=$(xdotool search --onlyvisible --class velmora 2>/dev/null | head -n 1)
    [ -n "$launcher" ] && break
    sleep 0.2
done
[ -n "$launcher" ] || { echo "no launcher window" >>"$4"; kill "$entry"; exit 1; }
sleep 1
xdotool search --onlyvisible --class velmora getwindowname %@ >>"$4.titles" 2>/dev/null
# Настройки, then Enter (OK): the program writes Config.xml from the technicians its table shows.
xdotool mousemove --window "$launcher" 175 320 click 1
settings=""
for _ in $(seq 100); do
    settings=$(xdotool search --onlyvisible --class velmora 2>/dev/null | grep -vx "$launcher" | head -n 1)
    [ -n "$settings" ] && break
    sleep 0.1
done
[ -n "$settings" ] || { echo "Настройки did not open" >>"$4"; kill "$entry"; exit 1; }
sleep 1
xdotool windowfocus --sync "$settings" key Return
for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --class velmora 2>/dev/null | grep -vx "$launcher")" ] && break
    sleep 0.1
done
xdotool mousemove --window "$launcher" 175 110 click 1 # Программировать
for _ in $(seq 200); do grep -q '^Find: Port=' "$4" && break; sleep 0.1; done
sleep 1
ps -o args= --ppid "$entry" >"$4.children"
# The program closes; its start-up script then stops the simulator and ends.
kill "$(ps -o pid= -o comm= --ppid "$entry" | awk '$2 == "velmora" {print $1}')"
for _ in $(seq 50); do kill -0 "$entry" 2>/dev/null || break; sleep 0.1; done
kill -0 "$entry" 2>/dev/null && { echo "the start-up script did not end with the program" >>"$4"; exit 1; }
exit 0
TRAIN
chmod +x "$tmp/train.sh"
xvfb-run -a -s "-screen 0 1366x768x24" "$tmp/train.sh" "$tmp/root$training_exec" "$home" "$tmp" "$tmp/training.log" ||
    fail "the training entry did not come up: $(cat "$tmp/training.log")"
grep -qx 'Find: Port=3' "$tmp/training.log" || fail "the program in training found no unit: $(cat "$tmp/training.log")"
grep -q 'учебный режим' "$tmp/training.log.titles" || fail "the launcher does not say it is training"
grep -q "libexec/velmora/vusim --dir" "$tmp/training.log.children" || fail "the simulator was not running"
for f in LogoCertif.png LogoLabel.png Config.xml Training.txt; do
    [ -s "$training/$f" ] || fail "$f missing in the training folder"
done
# The settings the program wrote on OK (CR LF line ends: not the sample's own bytes) still name both
# technicians of the training workshop: the program read them where it keeps them.
grep -q $'\r$' "$training/Config.xml" || fail "Настройки did not save the training settings"
masters=$(iconv -f WINDOWS-1251 -t UTF-8 "$training/Config.xml" | tr -d '\r' |
    sed -n '/<MasterList>/,/<\/MasterList>/s/^ *<Name>\(.*\)<\/Name>$/\1/p')
[ "$masters" = $'Иванов И. И.\nПетрова А. С.' ] ||
    fail "the training program does not list its two technicians:" $masters
ls -l --time-style=full-iso "$workshop" | diff -u "$tmp/workshop-before" - || fail "training changed the workshop"
sleep 0.5
! pgrep -f "$tmp/root/usr/libexec/velmora/vusim" >/dev/null || fail "the simulator still runs after the program closed"
[ -z "$(ls "$tmp" | grep '^velmora-training\.')" ] || fail "the training port folder was left behind"

echo "check-package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB) is fine"
