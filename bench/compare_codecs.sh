#!/usr/bin/env bash
# Runs bench/imagelib_bench and the same work with libjpeg-turbo's djpeg/cjpeg and with
# ImageMagick, all on one core, and prints the medians and ratios.
#   bench/compare_codecs.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
bench=$build/bin/imagelib_bench
[ -x "$bench" ] || { echo "compare_codecs.sh: build $bench first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1
one_core=(taskset -c 0)
runs=7

source "$root/bench/median_time.sh"

"${one_core[@]}" "$bench" "$work" > "$work/ours.txt"
ours() { awk -v key="$1" '$1 == key { print $2 }' "$work/ours.txt"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "== imagelib_bench (1920x1080, median of 7, ms)"
cat "$work/ours.txt"

echo
echo "== JPEG load + save (quality 85)"
tools=$(median_ms "djpeg '$work/photo.jpg' | cjpeg -quality 85 > '$work/tools.jpg'")
echo "ours $(ours jpeg_load_save)  djpeg+cjpeg $tools  ratio ours/tools $(ratio "$(ours jpeg_load_save)" "$tools")"

echo
echo "== load, resize to 640x480, save: ours vs convert"
for format in jpg png gif bmp; do
  magick=$(median_ms "/usr/bin/convert '$work/photo.jpg' -resize '640x480!' '$work/magick.$format'")
  echo "$format: convert $magick ms"
done
echo "ours (JPEG in, JPEG out): $(ours jpeg_load_resize_save) ms;" \
  "ratio convert/ours $(ratio "$(median_ms "/usr/bin/convert '$work/photo.jpg' -resize '640x480!' '$work/magick.jpg'")" "$(ours jpeg_load_resize_save)")"

echo
echo "== 256-colour quantisation, PSNR against the original (higher is better)"
/usr/bin/convert "$work/photo.bmp" -colors 256 +dither "$work/magick256.bmp"
echo "ours:   $(/usr/bin/compare -metric PSNR "$work/photo.bmp" "$work/quantised.bmp" null: 2>&1) dB"
echo "convert -colors 256 +dither: $(/usr/bin/compare -metric PSNR "$work/photo.bmp" "$work/magick256.bmp" null: 2>&1) dB"
echo "convert time: $(median_ms "/usr/bin/convert '$work/photo.bmp' -colors 256 +dither '$work/m.bmp'") ms, ours $(ours quantise_256) ms"
