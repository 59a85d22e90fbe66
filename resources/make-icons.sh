#!/usr/bin/env bash
# Regenerates the launcher's icons (48 x 48) and the picture logo.jpg. Most icons are the public-domain Tango
# artwork (Debian package tango-icon-theme) rendered with rsvg-convert (librsvg2-bin); the ones Tango has no
# picture for are drawn here with ImageMagick at four times the size and scaled down.
# Not part of the build: the results are kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
tango=/usr/share/icons/Tango/scalable
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

svg() { rsvg-convert -w "${3:-48}" -h "${3:-48}" "$tango/$1.svg" -o "$2"; }
shrink() { convert "$1" -filter Lanczos -resize 48x48 -strip "PNG32:$2"; }
# Puts badge $2 (a small picture) over the lower right corner of $1.
badge() { convert "$1" \( "$2" -resize "${4:-26}x${4:-26}" \) -gravity SouthEast -geometry +0+0 -composite -strip "PNG32:$3"; }

# Straight from Tango.
svg mimetypes/package-x-generic box.png
svg actions/document-print-preview printer_view.png
svg apps/accessories-text-editor edit.png
svg devices/media-floppy disk_blue.png
svg apps/accessories-calculator calculator.png
svg devices/printer printer.png
svg categories/preferences-system wrench.png
svg actions/edit-copy copy.png
svg actions/system-log-out exit.png

# Tango pictures combined.
svg mimetypes/text-x-generic "$tmp/doc.png"
svg mimetypes/application-certificate "$tmp/seal.png"
badge "$tmp/doc.png" "$tmp/seal.png" document_certificate.png 30
svg apps/office-calendar "$tmp/cal.png"
svg actions/appointment "$tmp/clock.png"
badge "$tmp/cal.png" "$tmp/clock.png" date-time_preferences.png 28
svg places/folder "$tmp/folder.png"
convert "$tmp/folder.png" \( "$tmp/doc.png" -resize 26x26 \) -gravity Center -geometry +0+2 -composite -strip \
    PNG32:folder_document.png
svg apps/system-users "$tmp/users.png"
convert -size 104x104 xc:none -fill '#4e9a06' -stroke '#2e5e04' -strokewidth 6 -draw 'circle 52,52 52,5' \
    -fill white -stroke none -draw 'rectangle 24,44 80,60' -draw 'rectangle 44,24 60,80' "$tmp/plus.png"
convert -size 104x104 xc:none -fill '#cc0000' -stroke '#8f0000' -strokewidth 6 -draw 'circle 52,52 52,5' \
    -fill white -stroke none -draw 'rectangle 24,44 80,60' "$tmp/minus.png"
badge "$tmp/users.png" "$tmp/plus.png" businessman_add.png 22
badge "$tmp/users.png" "$tmp/minus.png" businessman_delete.png 22

# Drawn here (192 x 192, scaled down).
# Speed gauge: dial with a green-to-red scale, ticks and a needle.
convert -size 192x192 xc:none \
    -fill '#555753' -stroke '#2e3436' -strokewidth 4 -draw 'circle 96,100 96,10' \
    -fill '#eeeeec' -stroke none -draw 'circle 96,100 96,22' \
    -fill none -strokewidth 14 -stroke '#73d216' -draw 'arc 34,38 158,162 150,230' \
    -stroke '#edd400' -draw 'arc 34,38 158,162 230,310' \
    -stroke '#cc0000' -draw 'arc 34,38 158,162 310,390' \
    -stroke '#2e3436' -strokewidth 5 \
    -draw 'line 42,131 54,124' -draw 'line 42,69 54,76' -draw 'line 96,38 96,52' \
    -draw 'line 150,69 138,76' -draw 'line 150,131 138,124' \
    -stroke '#a40000' -strokewidth 9 -draw 'line 96,100 140,62' \
    -fill '#2e3436' -stroke none -draw 'circle 96,100 96,86' \
    -fill '#babdb6' -draw 'circle 96,100 96,94' \
    -fill '#2e3436' -draw 'roundrectangle 70,140 122,160 4,4' \
    "$tmp/gauge.png"
shrink "$tmp/gauge.png" gauge.png

# Red lorry: box body, cab with window, wheels.
convert -size 192x192 xc:none \
    -fill '#2e3436' -draw 'rectangle 14,132 178,142' \
    -fill '#ef2929' -stroke '#a40000' -strokewidth 5 -draw 'roundrectangle 10,40 122,134 6,6' \
    -draw 'path "M 126,134 L 126,66 L 160,66 L 182,100 L 182,134 Z"' \
    -fill '#cfe3f7' -stroke '#3465a4' -strokewidth 4 -draw 'path "M 136,74 L 156,74 L 172,100 L 136,100 Z"' \
    -stroke '#a40000' -strokewidth 3 -draw 'line 28,58 104,58' -draw 'line 28,76 104,76' \
    -fill '#2e3436' -stroke '#000000' -strokewidth 3 -draw 'circle 46,146 46,124' -draw 'circle 154,146 154,124' \
    -fill '#babdb6' -stroke none -draw 'circle 46,146 46,136' -draw 'circle 154,146 154,136' \
    -fill '#fce94f' -draw 'rectangle 174,112 182,122' \
    "$tmp/truck.png"
shrink "$tmp/truck.png" truck_red.png

# Tape measure: yellow case with a crank and the tape pulled out to the right.
convert -size 192x192 xc:none \
    -fill '#edd400' -stroke '#8f5902' -strokewidth 4 -draw 'rectangle 78,128 186,154' \
    -stroke '#2e3436' -strokewidth 3 \
    -draw 'line 96,128 96,142' -draw 'line 114,128 114,136' -draw 'line 132,128 132,142' \
    -draw 'line 150,128 150,136' -draw 'line 168,128 168,142' \
    -fill '#888a85' -stroke '#2e3436' -strokewidth 3 -draw 'rectangle 180,122 188,160' \
    -fill '#fce94f' -stroke '#8f5902' -strokewidth 5 -draw 'roundrectangle 8,30 136,158 44,44' \
    -fill '#c4a000' -stroke '#8f5902' -strokewidth 4 -draw 'circle 72,94 72,58' \
    -fill '#2e3436' -stroke none -draw 'circle 72,94 72,80' \
    -fill '#d3d7cf' -draw 'circle 72,94 72,88' \
    -fill '#cc0000' -draw 'roundrectangle 30,150 60,164 4,4' \
    "$tmp/tape.png"
shrink "$tmp/tape.png" tape_measure1.png

# Sticking plaster, laid diagonally.
convert -size 192x192 xc:none \
    -fill '#e9b96e' -stroke '#8f5902' -strokewidth 4 -draw 'roundrectangle 10,66 182,126 30,30' \
    -fill '#fdf0d5' -stroke '#c17d11' -strokewidth 3 -draw 'roundrectangle 70,72 122,120 6,6' \
    -fill '#c17d11' -stroke none \
    -draw 'circle 30,86 30,83' -draw 'circle 30,106 30,103' -draw 'circle 48,86 48,83' -draw 'circle 48,106 48,103' \
    -draw 'circle 144,86 144,83' -draw 'circle 144,106 144,103' -draw 'circle 162,86 162,83' \
    -draw 'circle 162,106 162,103' \
    -background none -rotate -40 -gravity center -extent 192x192 \
    "$tmp/plaster.png"
shrink "$tmp/plaster.png" band_aid.png

# Scroll of parchment with writing.
convert -size 192x192 xc:none \
    -fill '#f6e7b8' -stroke '#8f5902' -strokewidth 4 -draw 'rectangle 36,34 156,158' \
    -fill '#e9b96e' -draw 'roundrectangle 22,18 170,42 12,12' -draw 'roundrectangle 22,150 170,174 12,12' \
    -fill '#c17d11' -stroke none -draw 'circle 34,30 34,22' -draw 'circle 34,162 34,154' \
    -stroke '#555753' -strokewidth 5 \
    -draw 'line 54,62 138,62' -draw 'line 54,80 138,80' -draw 'line 54,98 138,98' \
    -draw 'line 54,116 118,116' -draw 'line 54,134 100,134' \
    "$tmp/scroll.png"
shrink "$tmp/scroll.png" scroll2.png

# Russian flag: white, blue and red stripes with a thin frame.
convert -size 44x30 xc:white -fill '#0039a6' -draw 'rectangle 0,10 43,19' -fill '#d52b1e' -draw 'rectangle 0,20 43,29' \
    -bordercolor '#555753' -border 1 -background none -gravity center -extent 48x48 -strip PNG32:flag_russia.png

# The picture logo.jpg: a dial over the program's name.
convert -size 160x120 xc:white \
    -fill '#204a87' -stroke none -draw 'circle 80,44 80,8' \
    -fill white -draw 'circle 80,44 80,18' \
    -fill '#204a87' -draw 'circle 80,44 80,38' \
    -stroke '#cc0000' -strokewidth 5 -draw 'line 80,44 98,26' \
    -stroke none -fill '#204a87' -font "$font" -pointsize 22 -gravity South -draw "text 0,6 'Вельмора'" \
    -quality 90 logo.jpg
