# The batch benchmarks' corpus and jobs, sourced by bench/batch_compare.sh and
# bench/parallel_batch.sh. Expects $work (the corpus is made in $work/corpus once) and $quality.
# shellcheck shell=bash
# --- The corpus: photograph-like pictures (a fractal landscape of soft shapes, fine detail and
# sensor-like noise), made once and kept when BENCH_WORK names a folder.
corpus=$work/corpus
make_photo() {  # size seed file
  /usr/bin/convert -size "$1" -seed "$2" plasma:fractal -blur 0x1.2 \
    -attenuate 0.4 +noise Gaussian -quality 92 "$3"
}
if [ ! -f "$corpus/done" ]; then
  mkdir -p "$corpus/jpeg" "$corpus/other"
  for i in 1 2 3 4 5 6; do make_photo 1920x1080 "$i" "$corpus/jpeg/hd$i.jpg"; done
  for i in 1 2; do make_photo 4000x3000 "$((10 + i))" "$corpus/jpeg/large$i.jpg"; done
  # 12-megapixel HEICs as phones store them: 8 x 6 tiles of 512 x 512, cut to 4032 x 3024.
  mkdir -p "$corpus/heic"
  for i in 1 2 3 4; do
    make_photo 4096x3072 "$((30 + i))" "$work/tmp.png"
    rm -f "$work"/tile-*.heic
    /usr/bin/convert "$work/tmp.png" -crop 512x512 +repage -quality 85 "$work/tile-%02d.heic"
    "$build/bin/heif_grid" "$corpus/heic/phone$i.heic" 4032 3024 8 6 "$work"/tile-*.heic
  done
  for i in 1 2; do
    make_photo 1920x1080 "$((20 + i))" "$work/tmp.jpg"
    /usr/bin/convert "$work/tmp.jpg" "$corpus/other/png$i.png"
    /usr/bin/convert "$work/tmp.jpg" "$corpus/other/gif$i.gif"
    /usr/bin/convert "$work/tmp.jpg" "BMP3:$corpus/other/bmp$i.bmp"
  done
  touch "$corpus/done"
fi

# --- The jobs: name, input folder, output extension, our settings, ImageMagick and
# GraphicsMagick options, a libvips command for one file ("$f" in, "$o" out), and the ImageMagick
# options that make the reference (lossless PNG) from an input.
declare -A input extension oursSet magick gmagick vipsOne floorOne reference
input[jpeg640]=jpeg extension[jpeg640]=jpg
oursSet[jpeg640]="DIB_TYPE=1 JPG_TYPE=$((100 - quality)) RESIZE_TYPE=1"
magick[jpeg640]="-resize 640x480! -quality $quality"
gmagick[jpeg640]="-resize 640x480! -quality $quality"
vipsOne[jpeg640]='vipsthumbnail "$f" -s 640x480! -o "$o[Q='$quality']"'
reference[jpeg640]="-filter Lanczos -resize 640x480!"
floorOne[jpeg640]='djpeg "$f" | pamscale -width 640 -height 480 | cjpeg -quality '$quality' -optimize >"$o"'

# Photos for the web: the long side 1600, never enlarged.
input[web1600]=jpeg extension[web1600]=jpg
oursSet[web1600]="DIB_TYPE=1 JPG_TYPE=$((100 - quality)) RESIZE_TYPE=3 RESIZE_FIT=2 NO_ENLARGE=1"
oursSet[web1600]+=" RESIZE_X=1600 RESIZE_Y=1600"
magick[web1600]="-resize 1600x1600\\> -quality $quality"
gmagick[web1600]="-resize 1600x1600\\> -quality $quality"
vipsOne[web1600]='vipsthumbnail "$f" -s "1600x1600>" -o "$o[Q='$quality']"'
reference[web1600]="-filter Lanczos -resize 1600x1600>"
floorOne[web1600]='djpeg -scale 1/2 "$f" | pamscale -xyfit 1600 1600 | cjpeg -quality '$quality' -optimize >"$o"'

input[heic1600]=heic extension[heic1600]=jpg
oursSet[heic1600]="${oursSet[web1600]}"
magick[heic1600]="${magick[web1600]}" gmagick[heic1600]=""
vipsOne[heic1600]="${vipsOne[web1600]}"
reference[heic1600]="${reference[web1600]}"

input[webp1600]=jpeg extension[webp1600]=webp
oursSet[webp1600]="DIB_TYPE=5 WEBP_QUALITY=80 RESIZE_TYPE=3 RESIZE_FIT=2 NO_ENLARGE=1"
oursSet[webp1600]+=" RESIZE_X=1600 RESIZE_Y=1600"
magick[webp1600]="-resize 1600x1600\\> -quality 80" gmagick[webp1600]=""
vipsOne[webp1600]='vipsthumbnail "$f" -s "1600x1600>" -o "$o[Q=80]"'
reference[webp1600]="${reference[web1600]}"

input[jpegpng]=jpeg extension[jpegpng]=png
oursSet[jpegpng]="DIB_TYPE=2"
magick[jpegpng]="" gmagick[jpegpng]=""
vipsOne[jpegpng]='vips copy "$f" "$o"'
floorOne[jpegpng]='djpeg "$f" | pnmtopng >"$o"'
reference[jpegpng]=""

input[jpeggif]=jpeg extension[jpeggif]=gif
oursSet[jpeggif]="DIB_TYPE=3"
magick[jpeggif]="" gmagick[jpeggif]=""
vipsOne[jpeggif]='vips copy "$f" "$o"'
# libjpeg-turbo's own two-pass quantiser with Floyd-Steinberg dithering and LZW.
floorOne[jpeggif]='djpeg -gif "$f" >"$o"'
reference[jpeggif]=""

input[bmprle]=jpeg extension[bmprle]=bmp
oursSet[bmprle]="DIB_TYPE=0 BMP_TYPE=3"
magick[bmprle]="-colors 256 -type Palette -compress RLE"
gmagick[bmprle]="-colors 256 -type Palette -compress RLE"
vipsOne[bmprle]=""
# The same quantiser into an 8-bit BMP without run-length coding.
floorOne[bmprle]='djpeg -colors 256 -bmp "$f" >"$o"'
reference[bmprle]=""

input[rotate30]=jpeg extension[rotate30]=jpg
oursSet[rotate30]="DIB_TYPE=1 JPG_TYPE=$((100 - quality)) ANGLE_VAL=30 ANGLE_COLOR=0"
magick[rotate30]="-background white -rotate 30 -quality $quality"
gmagick[rotate30]="-background white -rotate 30 -quality $quality"
# libvips turns anticlockwise: 330 degrees is 30 clockwise.
vipsOne[rotate30]='vips rotate "$f" "$o[Q='$quality']" 330 --background "255 255 255"'
reference[rotate30]="-background white -filter Lanczos -rotate 30"

input[grey]=jpeg extension[grey]=jpg
oursSet[grey]="DIB_TYPE=1 JPG_TYPE=$((100 - quality)) FILTER_TYPE=1"
magick[grey]="-grayscale Rec601Luma -quality $quality"
gmagick[grey]="-colorspace GRAY -quality $quality"
vipsOne[grey]='vips colourspace "$f" "$o[Q='$quality']" b-w'
reference[grey]="-grayscale Rec601Luma"

input[jpegwebp]=jpeg extension[jpegwebp]=webp
oursSet[jpegwebp]="DIB_TYPE=5 WEBP_QUALITY=80"
magick[jpegwebp]="-quality 80" gmagick[jpegwebp]="-quality 80"
vipsOne[jpegwebp]='vips copy "$f" "$o[Q=80]"'
floorOne[jpegwebp]='cwebp -quiet -q 80 -m 4 "$f" -o "$o"'
reference[jpegwebp]=""

input[jpegwebpll]=jpeg extension[jpegwebpll]=webp
oursSet[jpegwebpll]="DIB_TYPE=5 WEBP_LOSSLESS=1"
magick[jpegwebpll]="-define webp:lossless=true" gmagick[jpegwebpll]="-define webp:lossless=true"
vipsOne[jpegwebpll]='vips copy "$f" "$o[lossless]"'
floorOne[jpegwebpll]='cwebp -quiet -lossless -q 75 -m 4 "$f" -o "$o"'
reference[jpegwebpll]=""

input[other640]=other extension[other640]=jpg
oursSet[other640]="${oursSet[jpeg640]}"
magick[other640]="${magick[jpeg640]}" gmagick[other640]="${gmagick[jpeg640]}"
vipsOne[other640]="${vipsOne[jpeg640]}"
reference[other640]="${reference[jpeg640]}"

