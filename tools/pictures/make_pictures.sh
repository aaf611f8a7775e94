#!/bin/bash
# Draws the picture-button bitmaps (171 x 203, 8 bits per pixel) and the program icon into
# resources/pictures/, with ImageMagick and the DejaVu fonts. The results are committed, so the
# build needs neither; run this again after changing a picture.
#
#   tools/pictures/make_pictures.sh [<output dir>]
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/../.." && pwd)/resources/pictures}
mkdir -p "$out"
bold=DejaVu-Sans-Bold
plain=DejaVu-Sans

# picture <file> <top colour> <bottom colour> <symbol> <title> <line 1> <line 2>
picture() {
    local file=$1 top=$2 bottom=$3 symbol=$4 title=$5 line1=$6 line2=$7
    convert -size 171x203 "gradient:$top-$bottom" \
        -fill 'rgba(255,255,255,0.18)' -draw 'circle 85,72 85,16' \
        -fill white -stroke 'rgba(0,0,0,0.35)' -strokewidth 1 \
        -font "$bold" -pointsize 64 -gravity north -annotate +0+28 "$symbol" \
        -stroke none -font "$bold" -pointsize 22 -gravity north -annotate +0+134 "$title" \
        -font "$plain" -pointsize 12 -annotate +0+163 "$line1" -annotate +0+179 "$line2" \
        -bordercolor 'rgb(40,40,40)' -border 1 -shave 1x1 -bordercolor 'rgb(40,40,40)' -border 1 \
        -resize '171x203!' -dither None -colors 256 -type Palette -compress None "BMP3:$out/$file"
}

# The set for every language but German.
picture one_click.bmp 'rgb(60,130,220)' 'rgb(20,60,140)' '1' 'One-Click' 'Snapshot, install,' 'compare'
picture two_phase.bmp 'rgb(70,170,110)' 'rgb(20,90,50)' '2' 'Two-Phase' 'For installers that' 'restart Windows'
picture continue.bmp 'rgb(70,170,110)' 'rgb(20,90,50)' '▶' 'Continue' 'Compare with the' 'phase 1 snapshot'
picture abort.bmp 'rgb(220,90,70)' 'rgb(130,30,20)' '✕' 'Abort' 'Leave the analysis' ''
# German.
picture one_click_de.bmp 'rgb(60,130,220)' 'rgb(20,60,140)' '1' 'Ein-Klick' 'Aufnahme, Setup,' 'Vergleich'
picture two_phase_de.bmp 'rgb(70,170,110)' 'rgb(20,90,50)' '2' 'Zwei-Phasen' 'Für Setups mit' 'Neustart'
picture continue_de.bmp 'rgb(70,170,110)' 'rgb(20,90,50)' '▶' 'Fortfahren' 'Mit der Aufnahme' 'aus Phase 1 vergleichen'
picture abort_de.bmp 'rgb(220,90,70)' 'rgb(130,30,20)' '✕' 'Abbrechen' 'Die Analyse beenden' ''

# The icon: a magnifier over a blue box, in three sizes.
for size in 48 32 16; do
    convert -size 48x48 xc:none \
        -fill 'rgb(40,100,200)' -stroke 'rgb(20,50,120)' -strokewidth 2 -draw 'roundrectangle 3,9 33,39 4,4' \
        -fill 'rgba(255,255,255,0.85)' -stroke 'rgb(30,30,30)' -strokewidth 4 -draw 'circle 30,24 30,12' \
        -stroke 'rgb(30,30,30)' -strokewidth 6 -draw 'line 38,33 45,42' \
        -resize "${size}x${size}" "PNG32:$out/icon_$size.png"
done
convert "$out/icon_48.png" "$out/icon_32.png" "$out/icon_16.png" "$out/pelorin.ico"
rm -f "$out"/icon_*.png
