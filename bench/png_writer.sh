#!/usr/bin/env bash
# PNG writing against ImageMagick's defaults (`convert in out.png`): CPU seconds (user + sys,
# median of 3), output bytes and both as ratios to ImageMagick's, on pictures made here: a
# 3840x2160 photograph (the sample sunset enlarged), a 3840x2160 grainy photograph, a screenshot
# at 800x600 and sampled up to 1920x1080, a drawing and the sample leaf. Every output is checked
# to hold the input's pixels.
#   bench/png_writer.sh [BUILD_DIR] [OLDER_BUILD_DIR]   (the older build's figures come first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=()
[ -n "${2:-}" ] && builds+=("$2")
builds+=("${1:-$root/build}")
for build in "${builds[@]}"; do
  [ -x "$build/bin/trastel-batch" ] || { echo "png_writer.sh: build $build first" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1
convert=/usr/bin/convert
runs=3

# --- The pictures, as uncompressed BMP so that reading them costs little.
p=$work/in
mkdir -p "$p"
bmp() { $convert "$@" -depth 8 -type TrueColor "BMP3:$p/$name.bmp"; }
name=photo-4k bmp "$root/samples/sunset.jpg" -resize 3840x2160!
name=grain-4k bmp -size 3840x2160 -seed 5 plasma:fractal -blur 0x1.2 -attenuate 0.4 \
  +noise Gaussian
# A window of flat panels, a title-bar gradient, lines and boxes of text-like marks, reduced to
# 250 colours as a screenshot of a user interface has about that many.
name=screen bmp -size 800x600 xc:'#ececec' \
  \( -size 800x28 gradient:'#3a6ea5-#a6caf0' \) -geometry +0+0 -composite \
  -fill white -draw 'rectangle 20,50 580,570' -fill '#dde4ee' -draw 'rectangle 600,50 780,570' \
  -stroke '#888888' -draw 'line 20,90 580,90' -stroke none -fill '#222222' \
  -draw "$(for y in $(seq 110 18 550); do for x in $(seq 30 42 540); do
    printf 'rectangle %d,%d %d,%d ' "$x" "$y" $((x + 20 + (x * y) % 17)) $((y + 9)); done; done)" \
  -fill '#2a62c9' -draw 'roundrectangle 620,520 760,555 6,6' +dither -colors 250
name=screen-hd bmp "$p/screen.bmp" -sample 1920x1080!
name=drawing bmp -size 800x600 xc:white -stroke black -strokewidth 3 \
  -fill '#f2c14e' -draw 'circle 220,220 220,80' -fill '#5da9e9' \
  -draw 'polygon 420,500 700,120 760,520' -fill none -draw 'bezier 40,560 200,380 380,600 560,420' \
  -fill '#d1495b' -draw 'ellipse 560,250 90,50 0,360'
cp "$root/samples/leaf.png" "$p/leaf.png"

# Median CPU seconds of a command over $runs runs; the last run's output stays.
median_cpu() {
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>&1
    awk '{ printf "%.2f\n", $1 + $2 }' "$work/time"
  done | sort -n | sed -n "$(((runs + 1) / 2))p"
}
printf '#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#END\n' >"$work/bench.inf"
same() { [ "$(/usr/bin/compare -metric AE "$1" "$2" null: 2>&1)" = 0 ] && echo same || echo DIFFERENT; }

printf '%-10s %-12s %8s %10s %9s %9s %s\n' picture tool "CPU s" bytes "CPU/IM" "bytes/IM" pixels
for in in "$p"/*; do
  name=${in##*/} name=${name%.*}
  magickCpu=$(median_cpu $convert "$in" "$work/m.png")
  magickBytes=$(stat -c %s "$work/m.png")
  row() { # tool cpu output
    local bytes
    bytes=$(stat -c %s "$3")
    printf '%-10s %-12s %8s %10s %9s %9s %s\n' "$name" "$1" "$2" "$bytes" \
      "$(awk -v a="$2" -v b="$magickCpu" 'BEGIN { print (b > 0 ? sprintf("%.2f", a / b) : "-") }')" \
      "$(awk -v a="$bytes" -v b="$magickBytes" 'BEGIN { printf "%.3f", a / b }')" "$(same "$in" "$3")"
  }
  for build in "${builds[@]}"; do
    out=$work/out
    # A fresh folder each run, as an existing output would be kept and another name taken.
    # shellcheck disable=SC2016
    cpu=$(median_cpu bash -c 'rm -rf "$1" && mkdir "$1" && exec "$2" --jobs 1 --settings "$3" \
      --out "$1" --set DIB_TYPE=2 "$4"' - "$out" "$build/bin/trastel-batch" "$work/bench.inf" "$in")
    row "$([ "$build" = "${builds[-1]}" ] && echo ours || echo older)" "$cpu" "$out/$name.png"
  done
  row ImageMagick "$magickCpu" "$work/m.png"
done
