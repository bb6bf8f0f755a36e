#!/usr/bin/env bash
# The whole conversion of a 1920x1080 photograph-like JPEG into each output format, ours next
# to ImageMagick's convert doing the same work (median of N runs, one core each), and the peak
# memory of an animated GIF of 1000 frames of 320x240.
#   bench/pipeline.sh [build folder] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target pipeline_timing >/dev/null
timing=$build/bin/pipeline_timing

/usr/bin/convert -size 1920x1080 -seed 11 plasma:fractal -blur 0x2 -quality 90 "$work/photo.jpg"

median_ms() {  # command... -> median wall milliseconds of $runs runs
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

declare -A magick=(
  [bmp24]="BMP3:$work/im-bmp24.bmp"
  [bmp8rle]="-colors 256 +dither -compress RLE BMP3:$work/im-bmp8rle.bmp"
  [jpeg80]="-quality 80 $work/im-jpeg80.jpg"
  [png]="PNG24:$work/im-png.png"
  [gif]="+dither -colors 256 $work/im-gif.gif"
)

echo "== 1920x1080 JPEG through the whole conversion (median of $runs, ms)"
printf '%-8s %8s %12s %8s %12s %7s\n' format ours "ours bytes" magick "magick bytes" ratio
OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1 taskset -c 0 "$timing" convert \
  "$work/photo.jpg" "$work" "$runs" >"$work/ours.txt"
while read -r format ours bytes; do
  # shellcheck disable=SC2086
  theirs=$(MAGICK_THREAD_LIMIT=1 median_ms taskset -c 0 /usr/bin/convert "$work/photo.jpg" \
    ${magick[$format]})
  their_file=$(ls "$work"/im-"$format".*)
  printf '%-8s %8s %12s %8s %12s %6.2fx\n' "$format" "$ours" "$bytes" "$theirs" \
    "$(stat -c %s "$their_file")" "$(echo "$theirs / $ours" | bc -l)"
done <"$work/ours.txt"

echo
echo "== Animated GIF of 1000 frames of 320x240"
/usr/bin/convert -size 320x240 -seed 5 plasma:fractal -quality 90 "$work/frame.jpg"
"$timing" animation "$work/frame.jpg" "$work/anim.gif" 1000
echo "raw pixels of 1000 frames: $((320 * 240 * 3 * 1000 / 1048576)) MB"
