#!/usr/bin/env bash
# Output quality side by side with other tools, on pictures made here (a photograph-like
# fractal, a one-pixel checkerboard, a zone plate, a grey photograph, a screenshot, a drawing
# and a gradient; none is kept as a file): PSNR against a high-quality reference and output
# bytes for shrinking, enlarging, turning, PNG and JPEG writing and CMYK reading.
#   bench/quality.sh [BUILD_DIR] [OLDER_BUILD_DIR]   (the older build's figures come first)
# Needs ImageMagick, libvips-tools, optipng, pngcrush and libjpeg-turbo-progs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=()
[ -n "${2:-}" ] && builds+=("$2")
builds+=("${1:-$root/build}")
for build in "${builds[@]}"; do
  [ -x "$build/bin/trastel-batch" ] || { echo "quality.sh: build $build first" >&2; exit 2; }
done
for tool in vips optipng pngcrush cjpeg djpeg; do
  command -v "$tool" >/dev/null || { echo "quality.sh: $tool is missing" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1
convert=/usr/bin/convert

# --- The pictures.
p=$work/in
mkdir -p "$p"
# 990x874: turned by 30 and back, the canvas keeps the picture's centre on a whole pixel.
$convert -size 990x874 -seed 3 plasma:fractal -blur 0x1.2 -attenuate 0.4 +noise Gaussian \
  -depth 8 "$p/photo.png"
$convert -size 1920x1080 -seed 5 plasma:fractal -blur 0x1.2 -attenuate 0.4 +noise Gaussian \
  -quality 95 "$p/hd.jpg"
$convert -size 1600x1200 pattern:gray50 -type TrueColor "PNG24:$p/checker.png"
$convert -size 1000x1000 xc: -fx '0.5+0.5*cos(pi*((i-w/2)^2+(j-h/2)^2)/w)' -depth 8 "PNG24:$p/zone.png"
$convert -size 512x512 -seed 7 plasma:fractal -blur 0x1 -colorspace Gray -depth 8 "PNG24:$p/grey.png"
# A window of flat panels, a title-bar gradient, lines and boxes of text-like marks, reduced to
# 250 colours as a screenshot of a user interface has about that many.
$convert -size 800x600 xc:'#ececec' \
  \( -size 800x28 gradient:'#3a6ea5-#a6caf0' \) -geometry +0+0 -composite \
  -fill white -draw 'rectangle 20,50 580,570' -fill '#dde4ee' -draw 'rectangle 600,50 780,570' \
  -stroke '#888888' -draw 'line 20,90 580,90' -stroke none -fill '#222222' \
  -draw "$(for y in $(seq 110 18 550); do for x in $(seq 30 42 540); do
    printf 'rectangle %d,%d %d,%d ' "$x" "$y" $((x + 20 + (x * y) % 17)) $((y + 9)); done; done)" \
  -fill '#2a62c9' -draw 'roundrectangle 620,520 760,555 6,6' +dither -colors 250 \
  "PNG24:$p/screen.png"
# Antialiased shapes on white: many colours along the edges, flat inside.
$convert -size 800x600 xc:white -stroke black -strokewidth 3 \
  -fill '#f2c14e' -draw 'circle 220,220 220,80' -fill '#5da9e9' -draw 'polygon 420,500 700,120 760,520' \
  -fill none -draw 'bezier 40,560 200,380 380,600 560,420' -fill '#d1495b' -draw 'ellipse 560,250 90,50 0,360' \
  "PNG24:$p/drawing.png"
$convert -size 800x600 gradient:'#1e3c72-#f0a860' "PNG24:$p/gradient.png"

psnr() { /usr/bin/compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{ printf "%.2f", ($1 == "inf" ? 99 : $1) }'; }
bytes() { stat -c %s "$1"; }
spread() { $convert "$1" -colorspace Gray -format '%[fx:standard_deviation*255]' info: | awk '{ printf "%.2f", $1 }'; }

# The best PSNR of a centred 600x500 crop of $2, moved by up to a pixel, against $1 (other tools
# centre their turned canvases by other roundings).
middle_psnr() {
  local best=0 w h
  read -r w h <<<"$($convert "$2" -format '%w %h' info:)"
  for dx in -1 0 1; do
    for dy in -1 0 1; do
      $convert "$2" -crop "600x500+$(((w - 600) / 2 + dx))+$(((h - 500) / 2 + dy))" +repage "$work/mid.png"
      best=$(awk -v a="$best" -v b="$(psnr "$1" "$work/mid.png")" 'BEGIN { print (b > a ? b : a) }')
    done
  done
  echo "$best"
}

# Runs trastel-batch of `build` on one file with settings; prints the output's path.
ours() {  # build input extension settings...
  local build=$1 in=$2 ext=$3 out
  shift 3
  out=$work/ours.$RANDOM
  mkdir -p "$out"
  local sets=()
  for s in "$@"; do sets+=(--set "$s"); done
  printf '#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#END\n' >"$work/bench.inf"
  "$build/bin/trastel-batch" --settings "$work/bench.inf" --out "$out" "${sets[@]}" "$in" >/dev/null 2>&1
  ls "$out"/*."$ext"
}
label() { [ "$1" = "${builds[-1]}" ] && echo ours || echo older; }
row() { printf '%-34s %9s %10s\n' "$1" "$2" "$3"; }

echo "== Shrinking (lossless PNG out); PSNR against ImageMagick's Lanczos, bytes not compared"
for shrink in "photo 640 480" "zone 400 400" "checker 640 480"; do
  read -r name w h <<<"$shrink"
  in=$p/$name.png ref=$work/ref-$name.png
  $convert "$in" -filter Lanczos -resize "${w}x${h}!" "$ref"
  for build in "${builds[@]}"; do
    o=$(ours "$build" "$in" png DIB_TYPE=2 RESIZE_TYPE=3 RESIZE_X="$w" RESIZE_Y="$h")
    row "$name $(label "$build")" "$(psnr "$ref" "$o") dB" "sd $(spread "$o")"
  done
  $convert "$in" -resize "${w}x${h}!" "$work/m.png"
  row "$name ImageMagick default" "$(psnr "$ref" "$work/m.png") dB" "sd $(spread "$work/m.png")"
  vipsthumbnail "$in" -s "${w}x${h}!" -o "$work/v.png" 2>/dev/null
  row "$name libvips thumbnail" "$(psnr "$ref" "$work/v.png") dB" "sd $(spread "$work/v.png")"
done

echo
echo "== Enlarging 495x437 back to 990x874; PSNR against the original photograph"
$convert "$p/photo.png" -filter Lanczos -resize 495x437! "$work/small.png"
for build in "${builds[@]}"; do
  o=$(ours "$build" "$work/small.png" png DIB_TYPE=2 RESIZE_TYPE=3 RESIZE_X=990 RESIZE_Y=874)
  row "enlarge $(label "$build")" "$(psnr "$p/photo.png" "$o") dB" ""
done
$convert "$work/small.png" -resize 990x874! "$work/m.png"
row "enlarge ImageMagick default" "$(psnr "$p/photo.png" "$work/m.png") dB" ""
vips resize "$work/small.png" "$work/v.png" 2 --vscale 2 2>/dev/null
row "enlarge libvips resize" "$(psnr "$p/photo.png" "$work/v.png") dB" ""

echo
echo "== Turning 30 then 330 degrees; PSNR of the middle 600x500 against the original"
$convert "$p/photo.png" -gravity center -crop 600x500+0+0 +repage "$work/mid-ref.png"
for build in "${builds[@]}"; do
  o=$(ours "$build" "$p/photo.png" png DIB_TYPE=2 ANGLE_VAL=30 ANGLE_COLOR=0)
  o=$(ours "$build" "$o" png DIB_TYPE=2 ANGLE_VAL=330 ANGLE_COLOR=0)
  row "rotate $(label "$build")" "$(middle_psnr "$work/mid-ref.png" "$o") dB" ""
done
$convert "$p/photo.png" -background white -rotate 30 -rotate 330 "$work/m.png"
row "rotate ImageMagick" "$(middle_psnr "$work/mid-ref.png" "$work/m.png") dB" ""
vips rotate "$p/photo.png" "$work/v1.v" 330 --interpolate bicubic 2>/dev/null
vips rotate "$work/v1.v" "$work/v.png" 30 --interpolate bicubic 2>/dev/null
row "rotate libvips bicubic" "$(middle_psnr "$work/mid-ref.png" "$work/v.png") dB" ""

echo
echo "== PNG bytes (every output lossless: PSNR 99 = identical to the input)"
for name in grey screen gradient drawing photo; do
  in=$p/$name.png
  for build in "${builds[@]}"; do
    o=$(ours "$build" "$in" png DIB_TYPE=2)
    row "$name $(label "$build")" "$(bytes "$o")" "$(psnr "$in" "$o")"
  done
  $convert "$in" "$work/m.png"
  row "$name ImageMagick" "$(bytes "$work/m.png")" "$(psnr "$in" "$work/m.png")"
  cp "$in" "$work/o.png" && optipng -quiet "$work/o.png"
  row "$name optipng" "$(bytes "$work/o.png")" "$(psnr "$in" "$work/o.png")"
  pngcrush -q "$in" "$work/c.png" >/dev/null 2>&1
  row "$name pngcrush" "$(bytes "$work/c.png")" "$(psnr "$in" "$work/c.png")"
  vips copy "$in" "$work/v.png" 2>/dev/null
  row "$name libvips" "$(bytes "$work/v.png")" "$(psnr "$in" "$work/v.png")"
done

echo
echo "== JPEG bytes and PSNR against the 1920x1080 source, per quality"
$convert "$p/hd.jpg" "$work/hd.png"
$convert "$p/hd.jpg" "$work/hd.ppm"
for quality in 50 75 85 95; do
  for build in "${builds[@]}"; do
    o=$(ours "$build" "$work/hd.png" jpg DIB_TYPE=1 JPG_TYPE=$((100 - quality)))
    row "q$quality $(label "$build")" "$(bytes "$o")" "$(psnr "$work/hd.png" "$o") dB"
  done
  sampling=()
  [ "$quality" -ge 90 ] && sampling=(-sample 1x1)
  $convert "$work/hd.png" -quality "$quality" "$work/m.jpg"
  row "q$quality ImageMagick" "$(bytes "$work/m.jpg")" "$(psnr "$work/hd.png" "$work/m.jpg") dB"
  cjpeg -quality "$quality" -optimize "${sampling[@]}" "$work/hd.ppm" >"$work/c.jpg"
  row "q$quality cjpeg -optimize" "$(bytes "$work/c.jpg")" "$(psnr "$work/hd.png" "$work/c.jpg") dB"
done

echo
echo "== CMYK JPEG with an embedded CMYK profile, shown in sRGB; PSNR against ImageMagick's"
icc=/usr/share/color/icc/ghostscript
$convert "$p/photo.png" -profile "$icc/srgb.icc" -profile "$icc/default_cmyk.icc" -quality 95 \
  "$work/cmyk.jpg"
$convert "$work/cmyk.jpg" -profile "$icc/srgb.icc" "$work/cmyk-ref.png"
for build in "${builds[@]}"; do
  o=$(ours "$build" "$work/cmyk.jpg" png DIB_TYPE=2)
  row "cmyk $(label "$build")" "$(psnr "$work/cmyk-ref.png" "$o") dB" ""
done
vips icc_transform "$work/cmyk.jpg" "$work/v.png" srgb 2>/dev/null
row "cmyk libvips" "$(psnr "$work/cmyk-ref.png" "$work/v.png") dB" ""
