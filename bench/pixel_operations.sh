#!/usr/bin/env bash
# Speed of the pixel operations and quality of the 256-colour quantiser.
#   bench/pixel_operations.sh [build folder]   (default: build)
# Part 1 times each operation on a 1920x1080 picture made in memory (best of 7 runs).
# Part 2 compares the PSNR of our ConvertTo8Bit with ImageMagick's "-colors 256 +dither" on
# generated photograph-like pictures and on the photographs among the shared test pictures.
# Both quantisers start from the same pixels: the picture as our decoder reads it, saved as PNG.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target trastel_core >/dev/null
compile() {
  c++ -std=c++20 -O2 -I"$root" "$root/bench/$1.cpp" "$build/libtrastel_core.a" \
    -ljpeg -lpng -lgif -lz -pthread -o "$work/$1"
}
compile operation_timing
compile quantise_psnr

echo "== Pixel operations, 1920x1080"
"$work/operation_timing"

echo
echo "== Quantisation to 256 colours, PSNR (higher is better)"
/usr/bin/convert -size 1920x1080 -seed 7 plasma:fractal -blur 0x1 -depth 8 "$work/plasma-hd.png"
/usr/bin/convert -size 640x480 -seed 3 plasma:fractal -depth 8 "$work/plasma.png"
/usr/bin/convert -size 800x600 gradient:'#203060-#f0c080' -depth 8 "$work/gradient.png"
/usr/bin/convert -size 640x480 radial-gradient:'#ffe0a0-#102040' -attenuate 0.4 \
  +noise Gaussian -depth 8 "$work/noisy-radial.png"
pictures=("$work"/*.png)
testdata=$root/../shared/testdata
for file in "$testdata"/libjpeg-turbo/*.jpg "$testdata"/giflib/porsche.gif \
  "$testdata"/pngsuite/*.png; do
  [ -f "$file" ] && pictures+=("$file")
done

printf '%-28s %8s %8s %9s %s\n' picture colours ours ImageMagick "(our time)"
for picture in "${pictures[@]}"; do
  name=$(basename "$picture")
  source=$work/source-$name.png
  # The picture as our decoder reads it, written by ImageMagick from a plain dump: skip files
  # our library does not load.
  "$work/quantise_psnr" "$picture" >/dev/null 2>&1 || continue
  /usr/bin/convert "$picture" -background white -flatten -depth 8 "PNG24:$source" 2>/dev/null ||
    continue
  colours=$(/usr/bin/identify -format '%k' "$source")
  [ "$colours" -le 256 ] && continue
  ours=$("$work/quantise_psnr" "$source")
  /usr/bin/convert "$source" +dither -colors 256 "PNG24:$work/im.png"
  theirs=$("$work/quantise_psnr" "$source" "$work/im.png")
  printf '%-28s %8s %8s %9s %s\n' "$name" "$colours" "${ours%% in*}" "${theirs% dB}" \
    "(${ours#*in })"
done
