#!/usr/bin/env bash
# Speed of the pixel operations and quality of the 256-colour quantiser.
#   bench/pixel_operations.sh [build folder]   (default: build)
# First it times each operation on a 1920x1080 picture made in memory (best of 7 runs).
# Then it rates 256-colour quantisation on generated photograph-like pictures and gradients and
# on the photographs among the shared test pictures: PSNR against the original as it is and
# after a 5x5 blur of both (how a dithered picture looks from a distance), for our ConvertTo8Bit
# with error diffusion (the default) and without it, ImageMagick's "-colors 256" with and
# without dithering, and GraphicsMagick's "-colors 256" (Debian package graphicsmagick; left
# out when missing). Our times are median CPU times of 5 runs of the quantise step. Every
# quantiser starts from the same pixels: the picture flattened on white and saved as an 8-bit
# RGB PNG; pictures of at most 256 colours (kept exactly) are left out.
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
echo "== Quantisation to 256 colours"
/usr/bin/convert -size 1920x1080 -seed 7 plasma:fractal -blur 0x1 -depth 8 "$work/plasma-hd.png"
/usr/bin/convert -size 640x480 -seed 3 plasma:fractal -depth 8 "$work/plasma.png"
/usr/bin/convert -size 800x600 gradient:'#203060-#f0c080' -depth 8 "$work/gradient.png"
# A clear sky: blue to pale from top to bottom, warmer to one side.
/usr/bin/convert -size 1024x768 gradient:'#1e4c9a-#dce9f5' \( -size 768x1024 \
  gradient:'#302010-#000000' -rotate 90 \) -compose plus -composite -depth 8 "$work/sky.png"
/usr/bin/convert -size 640x480 radial-gradient:'#ffe0a0-#102040' -attenuate 0.4 \
  +noise Gaussian -depth 8 "$work/noisy-radial.png"
pictures=("$work"/*.png)
testdata=$root/tests/data/conformance
for file in "$testdata"/libjpeg-turbo/*.jpg "$testdata"/giflib/porsche.gif \
  "$testdata"/pngsuite/*.png; do
  [ -f "$file" ] && pictures+=("$file")
done

# The figures of quantise_psnr ("R dB, blurred B dB[ in T ms]") as "R/B" or "R/B@T".
rate() { "$quantise" "$@" | awk '{ print $1 "/" $4 }'; }
ours() { "$quantise" "$@" | awk '{ print $1 "/" $4 "@" $7 }'; }

echo "PSNR in dB as raw/blurred (higher is better); our quantise time in ms after @"
printf '%-22s %7s %-18s %-18s %-11s %-11s %-11s\n' picture colours ours "ours undithered" \
  ImageMagick "IM +dither" GraphicsMagick
for picture in "${pictures[@]}"; do
  name=$(basename "$picture")
  source=$work/source-$name.png
  # Files our library does not load are left out.
  "$quantise" "$picture" >/dev/null 2>&1 || continue
  /usr/bin/convert "$picture" -background white -flatten -depth 8 "PNG24:$source" 2>/dev/null ||
    continue
  colours=$(/usr/bin/identify -format '%k' "$source")
  [ "$colours" -le 256 ] && continue
  /usr/bin/convert "$source" -colors 256 "PNG24:$work/im.png"
  /usr/bin/convert "$source" +dither -colors 256 "PNG24:$work/im-plain.png"
  graphicsmagick=-
  if command -v gm >/dev/null; then
    gm convert "$source" -colors 256 "PNG24:$work/gm.png"
    graphicsmagick=$(rate "$source" "$work/gm.png")
  fi
  printf '%-22s %7s %-18s %-18s %-11s %-11s %-11s\n' "$name" "$colours" "$(ours "$source")" \
    "$(ours --no-dither "$source")" "$(rate "$source" "$work/im.png")" \
    "$(rate "$source" "$work/im-plain.png")" "$graphicsmagick"
done
