#!/usr/bin/env bash
# Speed of the pixel operations and quality of the 256-colour quantiser.
#   bench/pixel_operations.sh [build folder]   (default: build)
# Part 1 times each operation on a 1920x1080 picture made in memory (best of 7 runs).
# Part 2 compares the PSNR of our ConvertTo8Bit with ImageMagick's "-colors 256 +dither" on
# generated photograph-like pictures and on the photographs among the shared test pictures.
# Both quantisers start from the same pixels: the picture flattened on white and saved as an
# 8-bit RGB PNG; pictures of at most 256 colours (kept exactly) are left out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target operation_timing quantise_psnr >/dev/null
timing=$build/bin/operation_timing
quantise=$build/bin/quantise_psnr

echo "== Pixel operations, 1920x1080"
"$timing"

echo
echo "== Quantisation to 256 colours, PSNR (higher is better)"
/usr/bin/convert -size 1920x1080 -seed 7 plasma:fractal -blur 0x1 -depth 8 "$work/plasma-hd.png"
/usr/bin/convert -size 640x480 -seed 3 plasma:fractal -depth 8 "$work/plasma.png"
/usr/bin/convert -size 800x600 gradient:'#203060-#f0c080' -depth 8 "$work/gradient.png"
/usr/bin/convert -size 640x480 radial-gradient:'#ffe0a0-#102040' -attenuate 0.4 \
  +noise Gaussian -depth 8 "$work/noisy-radial.png"
pictures=("$work"/*.png)
testdata=$root/tests/data/conformance
for file in "$testdata"/libjpeg-turbo/*.jpg "$testdata"/giflib/porsche.gif \
  "$testdata"/pngsuite/*.png; do
  [ -f "$file" ] && pictures+=("$file")
done

printf '%-28s %8s %8s %9s %s\n' picture colours ours ImageMagick "(our time)"
for picture in "${pictures[@]}"; do
  name=$(basename "$picture")
  source=$work/source-$name.png
  # Files our library does not load are left out.
  "$quantise" "$picture" >/dev/null 2>&1 || continue
  /usr/bin/convert "$picture" -background white -flatten -depth 8 "PNG24:$source" 2>/dev/null ||
    continue
  colours=$(/usr/bin/identify -format '%k' "$source")
  [ "$colours" -le 256 ] && continue
  ours=$("$quantise" "$source")
  /usr/bin/convert "$source" +dither -colors 256 "PNG24:$work/im.png"
  theirs=$("$quantise" "$source" "$work/im.png")
  printf '%-28s %8s %8s %9s %s\n' "$name" "$colours" "${ours%% in*}" "${theirs% dB}" \
    "(${ours#*in })"
done
