#!/usr/bin/env bash
# Makes the sample pictures in samples/ that developers and testers show with
# Pictarra: JPEG, GIF, BMP and PNG files in landscape, portrait and square shapes,
# from a thumbnail to a 4200-pixel-wide photo-sized JPEG, one JPEG whose EXIF
# orientation says "rotate me", and one .jpg file that is not a picture at all.
# A sub-folder (samples/more/) gives the "sub-folders" scan something to find.
# Every picture carries its own file name and size, so a viewer shows which is which.
#
# Needs: ImageMagick 6 `convert` (Debian package imagemagick), the DejaVu fonts
# (Debian package fonts-dejavu-core) and awk. Run it by hand and commit its output;
# the build and the tests never run it.
#
# Usage: scripts/make-samples.sh [output folder, default samples/ beside this script]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$(dirname "$here")/samples"}
fonts=/usr/share/fonts/truetype/dejavu
bold="$fonts/DejaVuSans-Bold.ttf"

command -v convert >/dev/null || { echo "make-samples: ImageMagick's convert is missing (apt-get install imagemagick)" >&2; exit 1; }
[[ -r $bold ]] || { echo "make-samples: $bold is missing (apt-get install fonts-dejavu-core)" >&2; exit 1; }
mkdir -p "$out/more"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# No dates, comments or colour profiles: the files stay the same from run to run.
plain=(-strip -define "png:exclude-chunks=date,time" -depth 8)

# ridge W H BASE [AMP PERIOD PHASE]... -- a filled polygon whose top edge is a sum of
# sine waves around height BASE, closed along the bottom of a W x H picture: hills,
# dunes and waves are all made of these.
ridge() {
    local w=$1 h=$2 base=$3
    shift 3
    awk -v w="$w" -v h="$h" -v base="$base" -v waves="$*" 'BEGIN {
        n = split(waves, p, " ")
        step = w / 240; if (step < 2) step = 2
        printf "polygon 0,%d", h
        for (x = 0; x <= w + step; x += step) {
            y = base
            for (i = 1; i + 2 <= n; i += 3) y += p[i] * sin(6.2831853 * x / p[i + 1] + p[i + 2])
            printf " %d,%d", (x > w ? w : x), y
        }
        printf " %d,%d", w, h
    }'
}

# scatter SEED COUNT W H RMIN RMAX -- COUNT small circles at reproducible places.
scatter() {
    awk -v seed="$1" -v n="$2" -v w="$3" -v h="$4" -v r0="$5" -v r1="$6" 'BEGIN {
        srand(seed)
        for (i = 0; i < n; i++) {
            x = int(rand() * w); y = int(rand() * h); r = r0 + rand() * (r1 - r0)
            printf "circle %d,%d %d,%d ", x, y, x + r, y
        }
    }'
}

# caption IN OUT NAME [NOTE] -- writes IN with a label in its lower left corner
# naming the file and its size, so every sample says which one it is.
caption() {
    local in=$1 dest=$2 name=$3 note=${4:-}
    local w h
    read -r w h < <(convert "$in" -format '%w %h\n' info:)
    local short=$(( w < h ? w : h ))
    local size=$(( short / 22 < 9 ? 9 : short / 22 ))
    local margin=$(( size / 2 ))
    local text="$name\n$w x $h"
    [[ -n $note ]] && text="$text\n$note"
    convert "$in" \
        \( -background 'rgba(16,16,32,0.78)' -fill white -font "$bold" -pointsize "$size" \
           -interline-spacing "$(( size / 8 ))" label:"$text" \
           -bordercolor 'rgba(16,16,32,0.78)' -compose copy -border "$(( size / 3 + 1 ))" \
           -resize "$(( w - 2 * margin ))x>" \) \
        -gravity southwest -geometry "+$margin+$margin" -compose over -composite \
        "$dest"
}

# vertical W H COLOUR... -- a top-to-bottom blend through the colours, evenly spaced.
vertical() {
    local w=$1 h=$2
    shift 2
    local colours=("$@") parts=() i n=$(( $# - 1 ))
    for (( i = 0; i < n; i++ )); do
        local part=$(( h * (i + 1) / n - h * i / n ))
        parts+=(\( -size "${w}x${part}" "gradient:${colours[i]}-${colours[i + 1]}" \))
    done
    convert "${parts[@]}" -append +repage "$work/vertical.png"
}

# ------------------------------------------------------------ sunrise-landscape.jpg
W=1600 H=1067
vertical $W 740 '#16204F' '#6A3C78' '#F2784B' '#FFD77A'
convert -size ${W}x${H} xc:'#2B1A33' "$work/vertical.png" -geometry +0+0 -composite \
    \( -size 700x700 radial-gradient:'rgba(255,244,200,0.95)'-'rgba(255,200,120,0)' \) \
    -geometry +450+360 -compose screen -composite -compose over \
    -fill '#FFF3C4' -draw 'circle 800,660 800,590' \
    -fill '#7A4164' -draw "$(ridge $W $H 700 40 900 0.3 18 310 1.1)" \
    -fill '#55304F' -draw "$(ridge $W $H 790 55 1200 2.0 20 400 0.4)" \
    -fill '#3A2240' -draw "$(ridge $W $H 880 60 1500 4.1 25 520 1.7)" \
    -fill '#24152B' -draw "$(ridge $W $H 980 35 700 0.9 12 230 2.5)" \
    "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" sunrise-landscape.jpg
convert "$work/cap.png" "${plain[@]}" -quality 88 "$out/sunrise-landscape.jpg"

# --------------------------------------------------------- harbour-wide-4200.jpg
# Photo-sized: a viewer has to scale it down; smooth areas keep it small on disk.
W=4200 H=2800 sea=1560
vertical $W $sea '#3F86C8' '#8CC4EA' '#F9E2BC'
boats=()
for boat in "700 2050 1.0 #C0392B" "1500 1820 0.6 #F4F1E8" "2350 2250 1.3 #1F4E79" \
            "3050 1900 0.7 #E67E22" "3550 2430 1.5 #F4F1E8"; do
    read -r bx by s colour <<<"$boat"
    boats+=(-fill '#5A3A22' -draw "polygon $(awk -v x="$bx" -v y="$by" -v s="$s" 'BEGIN {
                printf "%d,%d %d,%d %d,%d %d,%d", x-230*s, y-40*s, x+250*s, y-40*s, x+190*s, y+40*s, x-170*s, y+40*s }')"
            -fill "$colour" -draw "polygon $(awk -v x="$bx" -v y="$by" -v s="$s" 'BEGIN {
                printf "%d,%d %d,%d %d,%d", x-10*s, y-60*s, x-10*s, y-560*s, x-200*s, y-60*s }')"
            -fill '#FBF8EE' -draw "polygon $(awk -v x="$bx" -v y="$by" -v s="$s" 'BEGIN {
                printf "%d,%d %d,%d %d,%d", x+10*s, y-60*s, x+10*s, y-480*s, x+170*s, y-60*s }')"
            -fill 'rgba(255,255,255,0.18)' -draw "polygon $(awk -v x="$bx" -v y="$by" -v s="$s" 'BEGIN {
                printf "%d,%d %d,%d %d,%d %d,%d", x-170*s, y+40*s, x+190*s, y+40*s, x+150*s, y+120*s, x-130*s, y+120*s }')")
done
houses=()
for (( i = 0; i < 9; i++ )); do
    hx=$(( 3350 + i * 95 )) hh=$(( 150 + (i * 53) % 90 ))
    hue=('#D35D47' '#F0C05A' '#5B8DB8' '#E9E2D0' '#8DB86B' '#C96F9B' '#F29E4C' '#6FB7B0' '#E4D3A1')
    houses+=(-fill "${hue[i]}" -draw "rectangle $hx,$(( sea - 40 - hh )) $(( hx + 90 )),$(( sea - 40 ))"
             -fill '#7B3B2A' -draw "polygon $(( hx - 6 )),$(( sea - 40 - hh )) $(( hx + 45 )),$(( sea - 90 - hh )) $(( hx + 96 )),$(( sea - 40 - hh ))"
             -fill '#2E3B4E' -draw "rectangle $(( hx + 20 )),$(( sea - hh )) $(( hx + 38 )),$(( sea - hh + 26 ))"
                             -draw "rectangle $(( hx + 52 )),$(( sea - hh )) $(( hx + 70 )),$(( sea - hh + 26 ))")
done
streaks=$(awk 'BEGIN { srand(42)
    for (i = 0; i < 420; i++) {
        y = 1580 + (rand() ^ 1.7) * 1200; x = rand() * 4200; l = 40 + rand() * (60 + (y - 1560) / 3)
        printf "line %d,%d %d,%d ", x, y, x + l, y }
}')
convert -size ${W}x${H} xc:'#0E3D66' "$work/vertical.png" -geometry +0+0 -composite \
    \( -size "${W}x$(( H - sea ))" gradient:'#3A9CC4'-'#0D3A63' \) -geometry "+0+$sea" -composite \
    \( -size 1400x1400 radial-gradient:'rgba(255,250,225,0.9)'-'rgba(255,236,190,0)' \) \
    -geometry +2500-250 -compose screen -composite -compose over \
    -fill '#FFFBEA' -draw 'circle 3200,450 3200,340' \
    -fill '#7D9BB5' -draw "$(ridge $W $sea 1420 60 1700 0.5 30 610 2.1)" \
    -fill '#5F7F99' -draw "$(ridge $W $sea 1490 40 1300 2.7 18 420 0.2)" \
    -fill '#8A8376' -draw "rectangle 3250,$(( sea - 45 )) $W,$(( sea + 70 ))" \
    "${houses[@]}" \
    -stroke 'rgba(255,255,255,0.35)' -strokewidth 5 -draw "$streaks" -stroke none \
    -fill '#8A8376' -draw "polygon 0,1650 1000,1690 1000,1760 0,1740" \
    -fill '#F4F1E8' -draw 'polygon 330,1660 470,1660 440,1080 360,1080' \
    -fill '#C0392B' -draw 'polygon 352,1260 448,1260 443,1160 357,1160' \
                    -draw 'polygon 343,1460 457,1460 452,1360 348,1360' \
                    -draw 'polygon 334,1660 466,1660 461,1560 339,1560' \
    -fill '#2E3B4E' -draw 'rectangle 350,990 450,1080' \
    -fill '#FFE9A3' -draw 'rectangle 365,1005 435,1070' \
    -fill '#C0392B' -draw 'polygon 340,990 460,990 400,920' \
    "${boats[@]}" \
    -fill none -stroke '#34495E' -strokewidth 9 \
    -draw 'path "M 1700,700 q 40,-45 80,0 q 40,-45 80,0"' \
    -draw 'path "M 1950,560 q 30,-35 60,0 q 30,-35 60,0"' \
    -draw 'path "M 2250,760 q 35,-40 70,0 q 35,-40 70,0"' \
    "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" harbour-wide-4200.jpg
convert "$work/cap.png" "${plain[@]}" -sampling-factor 2x2 -quality 80 "$out/harbour-wide-4200.jpg"

# ------------------------------------------------------------- tower-portrait.gif
W=600 H=900
vertical $W $H '#0B1030' '#27245C' '#5B3B7A'
windows=()
for (( row = 0; row < 6; row++ )); do
    for (( col = 0; col < 3; col++ )); do
        [[ $(( (row * 7 + col * 3) % 4 )) == 0 ]] && lit='#2A2140' || lit='#FFD56B'
        windows+=(-fill "$lit" -draw "rectangle $(( 262 + col * 30 )),$(( 420 + row * 70 )) $(( 276 + col * 30 )),$(( 448 + row * 70 ))")
    done
done
convert "$work/vertical.png" \
    -fill 'rgba(255,255,255,0.9)' -draw "$(scatter 7 90 $W 560 1 2.6)" \
    -fill '#FFF6D8' -draw 'circle 140,150 140,100' -fill '#14163E' -draw 'circle 162,138 162,92' \
    -fill '#17122C' -draw 'rectangle 240,380 360,900' -draw 'polygon 230,380 370,380 300,250' \
    -draw 'rectangle 296,190 304,252' \
    -fill '#FFE7A0' -draw 'circle 300,330 300,306' -fill '#17122C' -draw 'line 300,330 300,314' -draw 'line 300,330 312,334' \
    "${windows[@]}" \
    -fill '#0E0A1E' -draw "$(ridge $W $H 840 18 420 1.0 9 150 0.3)" \
    "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" tower-portrait.gif
convert "$work/cap.png" "${plain[@]}" -colors 128 "$out/tower-portrait.gif"

# --------------------------------------------------------------- tiles-square.bmp
W=384
tiles=()
for (( r = 0; r < 8; r++ )); do
    for (( c = 0; c < 8; c++ )); do
        x=$(( c * 48 )) y=$(( r * 48 ))
        tiles+=(-fill "hsl($(( (r * 45 + c * 20) % 360 )),70%,$(( 45 + (r + c) % 3 * 8 ))%)"
                -draw "rectangle $x,$y $(( x + 47 )),$(( y + 47 ))"
                -fill 'rgba(255,255,255,0.55)')
        if (( (r + c) % 2 )); then
            tiles+=(-draw "circle $(( x + 24 )),$(( y + 24 )) $(( x + 24 )),$(( y + 10 ))")
        else
            tiles+=(-draw "polygon $(( x + 24 )),$(( y + 8 )) $(( x + 40 )),$(( y + 24 )) $(( x + 24 )),$(( y + 40 )) $(( x + 8 )),$(( y + 24 ))")
        fi
    done
done
convert -size ${W}x${W} xc:white "${tiles[@]}" "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" tiles-square.bmp
convert "$work/cap.png" "${plain[@]}" -alpha off -type TrueColor "BMP3:$out/tiles-square.bmp"

# ------------------------------------------------------------ balloons-square.png
W=800
vertical $W $W '#5AAEE8' '#A9D8F5' '#E3F3FC'
balloon_args=()
balloon() { # X Y RADIUS COLOUR STRIPE
    local x=$1 y=$2 r=$3
    balloon_args+=(-fill "$4" -draw "ellipse $x,$y $r,$(( r * 6 / 5 )) 0,360"
        -fill "$5" -draw "ellipse $x,$y $(( r / 3 )),$(( r * 6 / 5 )) 0,360"
        -stroke '#5A4632' -strokewidth $(( r / 25 + 1 ))
        -draw "line $(( x - r * 2 / 3 )),$(( y + r )) $(( x - r / 5 )),$(( y + r * 9 / 5 ))"
        -draw "line $(( x + r * 2 / 3 )),$(( y + r )) $(( x + r / 5 )),$(( y + r * 9 / 5 ))" -stroke none
        -fill '#8B5A2B' -draw "rectangle $(( x - r / 5 )),$(( y + r * 9 / 5 )) $(( x + r / 5 )),$(( y + r * 11 / 5 ))")
}
balloon 250 260 120 '#E74C3C' '#F9E79F'
balloon 560 190 75 '#8E44AD' '#F5B041'
balloon 610 470 95 '#27AE60' '#FDFEFE'
balloon 140 560 50 '#F39C12' '#2E86C1'
convert "$work/vertical.png" \
    -fill 'rgba(255,255,255,0.85)' -draw 'ellipse 120,120 90,30 0,360' -draw 'ellipse 190,105 70,38 0,360' \
    -draw 'ellipse 660,640 110,32 0,360' -draw 'ellipse 570,650 80,26 0,360' \
    "${balloon_args[@]}" \
    -fill '#6BAF5B' -draw "$(ridge $W $W 740 14 500 0.7 6 170 1.9)" \
    "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" balloons-square.png
convert "$work/cap.png" "${plain[@]}" "PNG24:$out/balloons-square.png"

# ----------------------------------------------------------- lanterns-portrait.png
W=480 H=720
vertical $W $H '#1D1346' '#6B2D5C' '#D9694B'
lanterns=(-stroke '#3B2A20' -strokewidth 2 -fill none -draw 'path "M -10,90 Q 240,210 490,80"' -stroke none)
for lantern in "60 118 #E74C3C" "150 160 #F39C12" "240 176 #E74C3C" "330 158 #F1C40F" "420 112 #E67E22"; do
    read -r lx ly colour <<<"$lantern"
    lanterns+=(-stroke '#3B2A20' -strokewidth 2 -draw "line $lx,$ly $lx,$(( ly + 20 ))" -stroke none
               -fill 'rgba(255,150,60,0.10)' -draw "circle $lx,$(( ly + 70 )) $lx,$(( ly + 140 ))"
                                             -draw "circle $lx,$(( ly + 70 )) $lx,$(( ly + 115 ))"
               -fill "$colour" -draw "roundrectangle $(( lx - 32 )),$(( ly + 20 )) $(( lx + 32 )),$(( ly + 120 )) 26,30"
               -fill 'rgba(255,255,255,0.3)' -draw "roundrectangle $(( lx - 10 )),$(( ly + 26 )) $(( lx + 10 )),$(( ly + 114 )) 8,12"
               -fill '#3B2A20' -draw "rectangle $(( lx - 14 )),$(( ly + 16 )) $(( lx + 14 )),$(( ly + 22 ))"
                               -draw "rectangle $(( lx - 14 )),$(( ly + 118 )) $(( lx + 14 )),$(( ly + 124 ))")
done
convert "$work/vertical.png" "${lanterns[@]}" \
    -fill 'rgba(255,240,200,0.8)' -draw "$(scatter 11 40 $W 300 0.8 1.8)" \
    -fill '#2A1830' -draw "$(ridge $W $H 640 20 380 2.2 8 120 0.5)" \
    "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" lanterns-portrait.png
convert "$work/cap.png" "${plain[@]}" "PNG24:$out/lanterns-portrait.png"

# --------------------------------------------------------------- stripes-small.gif
W=160 H=120
stripes=()
colours=('#E74C3C' '#E67E22' '#F1C40F' '#2ECC71' '#3498DB' '#9B59B6')
for (( i = -6; i < 14; i++ )); do
    x=$(( i * 20 ))
    stripes+=(-fill "${colours[(i + 12) % 6]}" -draw "polygon $x,0 $(( x + 20 )),0 $(( x + 20 + H )),$H $(( x + H )),$H")
done
convert -size ${W}x${H} xc:white "${stripes[@]}" "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" stripes-small.gif
convert "$work/cap.png" "${plain[@]}" -colors 64 "$out/stripes-small.gif"

# ------------------------------------------------------------------- dots-tiny.bmp
W=96 H=72
convert -size ${W}x${H} xc:'#FFF4D6' \
    -fill '#E74C3C' -draw 'circle 18,18 18,8' -fill '#3498DB' -draw 'circle 48,14 48,6' \
    -fill '#2ECC71' -draw 'circle 78,20 78,10' "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" dots-tiny.bmp
convert "$work/cap.png" "${plain[@]}" -alpha off -type TrueColor "BMP3:$out/dots-tiny.bmp"

# ------------------------------------------------------------- dunes-panorama.jpg
W=2400 H=600
vertical $W 330 '#2E6DB4' '#8FC3E8' '#F6E3C2'
convert -size ${W}x${H} xc:'#B5652B' "$work/vertical.png" -geometry +0+0 -composite \
    -fill '#FFF8E6' -draw 'circle 1900,120 1900,80' \
    -fill '#E9B873' -draw "$(ridge $W $H 320 25 1100 0.2 12 380 1.3)" \
    -fill '#DDA05E' -draw "$(ridge $W $H 390 35 900 2.4 14 300 0.6)" \
    -fill '#CC8748' -draw "$(ridge $W $H 460 40 1300 4.0 16 420 2.2)" \
    -fill '#B5652B' -draw "$(ridge $W $H 540 28 800 1.1 10 260 3.0)" \
    "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" dunes-panorama.jpg
convert "$work/cap.png" "${plain[@]}" -quality 85 "$out/dunes-panorama.jpg"

# --------------------------------------------------------- garden-landscape.jpeg
# The .jpeg spelling is on purpose: the program only takes it for a picture when
# the pattern box says so.
W=1024 H=683
vertical $W 420 '#8CC8F0' '#DDF0FB'
flowers=()
for flower in "150 520 38 #E84A5F" "330 470 30 #FECEA8" "520 560 44 #FF847C" "700 480 28 #F6CD61" \
            "860 570 40 #C06C84" "250 620 26 #F67280" "620 640 32 #FFD166" "930 450 24 #EF476F"; do
    read -r fx fy fr colour <<<"$flower"
    flowers+=(-stroke '#3E7B3A' -strokewidth 5 -draw "line $fx,$fy $fx,$H" -stroke none -fill "$colour")
    for angle in 0 60 120 180 240 300; do
        read -r px py < <(awk -v a="$angle" -v x="$fx" -v y="$fy" -v r="$fr" 'BEGIN {
            printf "%d %d\n", x + r * cos(a * 0.0174533), y + r * sin(a * 0.0174533) }')
        flowers+=(-draw "circle $px,$py $px,$(( py + fr * 2 / 3 ))")
    done
    flowers+=(-fill '#5B3A1A' -draw "circle $fx,$fy $fx,$(( fy + fr / 2 ))")
done
convert -size ${W}x${H} xc:'#4E9A47' "$work/vertical.png" -geometry +0+0 -composite \
    -fill 'rgba(255,255,255,0.9)' -draw 'ellipse 220,110 110,34 0,360' -draw 'ellipse 300,92 80,40 0,360' \
    -draw 'ellipse 760,170 90,28 0,360' -draw 'ellipse 820,156 60,30 0,360' \
    -fill '#7CB96B' -draw "$(ridge $W $H 420 16 700 0.4 8 230 1.2)" \
    -fill '#5FA552' -draw "$(ridge $W $H 470 12 520 2.1 6 160 0.8)" \
    "${flowers[@]}" "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" garden-landscape.jpeg
convert "$work/cap.png" "${plain[@]}" -quality 85 "$out/garden-landscape.jpeg"

# ------------------------------------------------------------ cliff-rotated-exif6.jpg
# Drawn upright as a portrait, stored turned a quarter to the left with EXIF
# orientation 6 ("rotate a quarter right to view"): a viewer that honours the tag
# shows it upright, one that ignores it shows it lying on its side.
W=800 H=1200
vertical $W 700 '#4A90C8' '#BFE0F5'
convert -size ${W}x${H} xc:'#1E5D82' "$work/vertical.png" -geometry +0+0 -composite \
    \( -size "${W}x500" gradient:'#2D8DB8'-'#123F5E' \) -geometry +0+700 -composite \
    -fill '#7A6A58' -draw 'polygon 0,1200 0,420 120,380 260,470 330,700 420,860 520,1200' \
    -fill '#5E5043' -draw 'polygon 0,1200 0,640 140,620 230,800 300,1200' \
    -fill '#6DA34D' -draw 'polygon 0,420 120,380 260,470 250,500 120,420 0,455' \
    -fill 'rgba(255,255,255,0.7)' -draw 'ellipse 560,200 120,34 0,360' -draw 'ellipse 650,180 80,30 0,360' \
    -fill '#FFFFFF' -font "$bold" -pointsize 44 -gravity north -annotate +0+40 '↑ TOP ↑' -gravity northwest \
    "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" cliff-rotated-exif6.jpg 'upright when EXIF orientation 6 is applied'
# A minimal EXIF block (big-endian TIFF, one IFD entry: tag 0x0112 Orientation, SHORT, 6).
# ImageMagick 6 does not create an EXIF block of its own, so -orient alone would be lost.
printf 'Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0' >"$work/exif-orientation-6"
convert "$work/cap.png" "${plain[@]}" -rotate -90 -profile "APP1:$work/exif-orientation-6" -orient RightTop \
    -quality 85 "$out/cliff-rotated-exif6.jpg"

# ------------------------------------------------------------ more/pebbles-square.jpg
W=900
# One argument a line, so the colours need no quoting.
mapfile -t pebble_args < <(awk 'BEGIN { srand(5)
    split("#8D8C88 #B3A89A #6F6A63 #C9BFB0 #9C8E7E #5E5A55 #D8D0C4", tone, " ")
    for (i = 0; i < 70; i++) {
        x = int(rand() * 900); y = int(rand() * 900); rx = 25 + rand() * 45; ry = rx * (0.55 + rand() * 0.35)
        printf "-fill\n%s\n-draw\nellipse %d,%d %d,%d 0,360\n", tone[1 + int(rand() * 7)], x, y, rx, ry
        printf "-fill\nrgba(255,255,255,0.25)\n-draw\nellipse %d,%d %d,%d 0,360\n", x - rx / 4, y - ry / 3, rx / 3, ry / 4
    }
}')
convert -size ${W}x${W} xc:'#E8D9B5' "${pebble_args[@]}" "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" more/pebbles-square.jpg
convert "$work/cap.png" "${plain[@]}" -quality 82 "$out/more/pebbles-square.jpg"

# ------------------------------------------------------------- more/kite-portrait.gif
W=400 H=600
vertical $W $H '#6EC6F0' '#D8F1FC'
convert "$work/vertical.png" \
    -fill '#E74C3C' -draw 'polygon 250,90 330,190 250,320 170,190' \
    -fill '#F1C40F' -draw 'polygon 250,90 330,190 250,190' -draw 'polygon 250,190 170,190 250,320' \
    -fill none -stroke '#2C3E50' -strokewidth 3 -draw 'line 250,90 250,320' -draw 'line 170,190 330,190' \
    -strokewidth 2 -draw 'path "M 250,320 C 220,380 280,420 240,480 S 200,560 150,600"' -stroke none \
    -fill '#3498DB' -draw 'polygon 236,370 256,360 250,384' -draw 'polygon 238,452 258,446 250,470' \
    -fill '#58A84B' -draw "$(ridge $W $H 560 10 300 0.9 5 90 0.1)" \
    "$work/scene.png"
caption "$work/scene.png" "$work/cap.png" more/kite-portrait.gif
convert "$work/cap.png" "${plain[@]}" -colors 96 "$out/more/kite-portrait.gif"

# ----------------------------------------------------------------- not-a-picture.jpg
cat >"$out/not-a-picture.jpg" <<'EOF'
This file is named like a JPEG picture but holds a few lines of plain text.
It is here to try a viewer on a file that its name calls a picture:
loading it has to fail, the viewer has to say so and carry on.
EOF

echo "make-samples: wrote $(find "$out" -type f | wc -l) files into $out"
