#!/usr/bin/env bash
# Makes Pictarra's artwork in resources/: the main window's banner (banner.png) and
# title picture (title.gif), and the program icon in PNG sizes rendered from the
# hand-drawn resources/pictarra.svg.
#
# Needs: ImageMagick 6 `convert` (Debian package imagemagick) and the DejaVu fonts
# (Debian package fonts-dejavu-core). Run it by hand after changing the artwork and
# commit its output; the build only reads the files.
#
# Usage: scripts/make-artwork.sh [output folder, default resources/ beside this script]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$(dirname "$here")/resources"}
svg="$(dirname "$here")/resources/pictarra.svg"
fonts=/usr/share/fonts/truetype/dejavu
title_font="$fonts/DejaVuSerif-Bold.ttf"

command -v convert >/dev/null || { echo "make-artwork: ImageMagick's convert is missing (apt-get install imagemagick)" >&2; exit 1; }
[[ -r $title_font ]] || { echo "make-artwork: $title_font is missing (apt-get install fonts-dejavu-core)" >&2; exit 1; }
[[ -r $svg ]] || { echo "make-artwork: $svg is missing" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Colours chosen against the main window's golden background (#FFE118), so the
# artwork sits in it without seams.
centre_gold='#FFE24A'   # calm middle of the banner, behind the title and version label
deep_amber='#B35F00'

# Deterministic output: no timestamps or other chunks that change from run to run.
strip=(-strip -define "png:exclude-chunks=date,time")

# ---------------------------------------------------------------- banner 981 x 79
W=981 H=79
half=$(( (W + 1) / 2 ))

# Warm band: deep amber at both ends running into golden yellow in the middle.
# (gradient:A-B runs top to bottom; turned a quarter left it runs left to right.)
convert -size "${H}x${half}" "gradient:${deep_amber}-${centre_gold}" -rotate -90 "$work/left.png"
convert "$work/left.png" -flop -crop "$((W - half))x${H}+$((2 * half - W))+0" +repage "$work/right.png"
convert "$work/left.png" "$work/right.png" +append +repage "$work/band.png"
# Light falls from above: a soft sheen along the top, a slightly deeper foot.
convert -size "${W}x${H}" gradient:'rgba(255,255,230,0.18)'-'rgba(120,60,0,0.18)' "$work/shade.png"
convert "$work/band.png" "$work/shade.png" -compose over -composite "$work/band.png"

# Film strip: perforated edges with picture frames between them, drawn across the
# whole width and then faded out towards the middle where the title sits.
film=()
film+=(-fill 'rgba(58,30,0,0.55)' -draw "rectangle 0,0 $((W - 1)),10"
       -draw "rectangle 0,$((H - 11)) $((W - 1)),$((H - 1))")
for (( x = 4; x < W; x += 16 )); do
    film+=(-fill 'rgba(255,244,190,0.85)'
           -draw "roundrectangle $x,3 $((x + 7)),7 2,2"
           -draw "roundrectangle $x,$((H - 8)) $((x + 7)),$((H - 4)) 2,2")
done
# Each frame holds a faint sun over two hills, echoing the program icon; the hills
# shift from frame to frame so the strip does not look stamped.
frame=0
for (( x = 6; x < W; x += 86, frame++ )); do
    top=15 bottom=$((H - 16))
    peak=$(( x + 18 + (frame * 13) % 23 ))          # x+18 .. x+40
    far=$(( peak + 30 < x + 62 ? peak + 30 : x + 62 ))
    film+=(-fill 'rgba(80,40,0,0.18)' -stroke 'rgba(255,246,200,0.55)' -strokewidth 1.5
           -draw "roundrectangle $x,$top $((x + 77)),$bottom 5,5" -stroke none
           -fill 'rgba(255,240,170,0.35)' -draw "circle $((x + 58)),26 $((x + 58)),31"
           -fill 'rgba(70,35,0,0.22)'
           -draw "polygon $((x + 4)),$((bottom - 1)) $peak,$((top + 17)) $((peak + 28)),$((bottom - 1))"
           -draw "polygon $((peak + 12)),$((bottom - 1)) $far,$((top + 25)) $((x + 73)),$((bottom - 1))")
done
convert -size "${W}x${H}" xc:none "${film[@]}" "$work/film.png"

# Fade mask: the strip shows fully at the ends and not at all across x 330..650.
convert -size "${H}x330" gradient:white-black -rotate -90 "$work/fade-left.png"
convert "$work/fade-left.png" -flop "$work/fade-right.png"
convert "$work/fade-left.png" -size "$((W - 660))x${H}" xc:black "$work/fade-right.png" \
    +append +repage "$work/fade.png"
convert "$work/film.png" \( +clone -alpha extract "$work/fade.png" -compose multiply -composite \) \
    -compose copy_opacity -composite "$work/film.png"

convert "$work/band.png" "$work/film.png" -compose over -composite \
    -fill 'rgba(110,55,0,0.55)' -draw "line 0,$((H - 1)) $((W - 1)),$((H - 1))" \
    -alpha off -depth 8 "${strip[@]}" "$out/banner.png"

# ---------------------------------------------------------------- title 157 x 50
# A GIF has only on/off transparency, so the letters are smoothed against the
# banner's middle colour and everything else is made transparent; the window's
# own gold shows through around them (the title's top third is above the banner).
TW=157 TH=50
convert -size "${TW}x${TH}" xc:"$centre_gold" -font "$title_font" -pointsize 31 -gravity center \
    -fill '#FFF6C8' -annotate +1+0 'Pictarra' \
    -fill '#3A1E00' -annotate +0-1 'Pictarra' \
    -alpha off -depth 8 "$work/title-flat.png"
convert "$work/title-flat.png" -fuzz 3% -transparent "$centre_gold" \
    "${strip[@]}" "$out/title.gif"

# ---------------------------------------------------------------- icon
# Rendered large, then each size averages whole blocks of that picture: the
# drawing's 16-unit grid lands on pixel edges and the small icons stay crisp.
convert -background none -density 384 "$svg" "$work/icon-1024.png"
for size in 16 32 48 64 128 256; do
    convert "$work/icon-1024.png" -filter box -resize "${size}x${size}" \
        -depth 8 "${strip[@]}" "PNG32:$out/icon-$size.png"
done

echo "make-artwork: wrote banner.png, title.gif and icon-{16,32,48,64,128,256}.png into $out"
