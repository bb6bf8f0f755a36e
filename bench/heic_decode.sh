#!/usr/bin/env bash
# HEIC decoding: a 12-megapixel photo stored as phones store it (8 x 6 tiles of 512 x 512, cut
# to 4032 x 3024) and as one picture, read by trastel-batch (into a 24-bit BMP, one worker) and by
# heif-dec of the same libheif (into PNG without compression: decoding and colour conversion as
# ours, and into Y4M: decoding alone); then a 200-megapixel photo (32 x 24 tiles, 16320 x 12240)
# converted to JPEG, with its time and peak memory. Medians of 7 runs: wall time and CPU time
# (user + system; steadier on a busy or small machine, where tiles decode on several threads).
#   bench/heic_decode.sh [BUILD_DIR] [OLDER_BUILD_DIR]
# An older build linked with Debian's libheif is timed beside, against that libheif's own
# heif-convert (package libheif-examples; Y4M only, it has no uncompressed PNG).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
older=${2:-}
ours=$build/bin/trastel-batch
[ -x "$ours" ] && [ -x "$build/bin/heif_grid" ] || { echo "heic_decode.sh: build $build first" >&2; exit 2; }
libheif=$("$root/scripts/build-libraries" linux)
heif_dec=(env LD_LIBRARY_PATH="$libheif/lib" "$libheif/bin/heif-dec" --quiet)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=7
# Median "wall/cpu" milliseconds of a shell command.
median_ms() {
  local walls=() cpus=()
  for _ in $(seq "$runs"); do
    local times
    times=$(/usr/bin/time -f '%e %U %S' bash -c "$1" 2>&1 >/dev/null | tail -1)
    walls+=("$(awk '{printf "%d", $1 * 1000}' <<<"$times")")
    cpus+=("$(awk '{printf "%d", ($2 + $3) * 1000}' <<<"$times")")
  done
  local middle=$(((runs + 1) / 2))
  echo "$(printf '%s\n' "${walls[@]}" | sort -n | sed -n "${middle}p")/$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n "${middle}p")"
}
# The ratios of two "wall/cpu" pairs.
ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, "/"); split(b, y, "/"); printf "%.2f/%.2f", x[1] / y[1], x[2] / y[2] }'
}
printf '#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#END\n' >"$work/bench.inf"
batch() {  # PROGRAM SOURCE SETTINGS...: one picture, one worker
  local program=$1 source=$2
  shift 2
  local sets=""
  for s in "$@"; do sets+=" --set $s"; done
  echo "rm -rf '$work/out' && '$program' --jobs 1 --settings '$work/bench.inf' --out '$work/out' $sets '$source'"
}

# A photo-like picture cut into tiles, each encoded alone as the phone's encoder does.
/usr/bin/convert -size 4096x3072 -seed 7 plasma:fractal -blur 0x1.2 -attenuate 0.4 \
  +noise Gaussian "$work/photo.png"
/usr/bin/convert "$work/photo.png" -crop 512x512 +repage -quality 85 "$work/tile-%02d.heic"
"$build/bin/heif_grid" "$work/tiled.heic" 4032 3024 8 6 "$work"/tile-*.heic
/usr/bin/convert "$work/photo.png" -crop 4032x3024+0+0 +repage -quality 85 "$work/whole.heic"
"$build/bin/heif_grid" "$work/huge.heic" 16320 12240 32 24 "$work"/tile-*.heic

echo "== 12-megapixel HEIC, decoded (median of $runs, wall/CPU ms)"
printf '%-6s %-33s %10s %10s %9s %10s %9s\n' photo "build (libheif, tool)" ours "tool PNG" ratio \
  "tool Y4M" ratio
decode() {  # NAME LABEL PROGRAM PNG-COMMAND Y4M-COMMAND (each given the input and output files)
  local name=$1 label=$2 program=$3 png=-- pngRatio=-- mine y4m
  mine=$(median_ms "$(batch "$program" "$work/$name.heic" DIB_TYPE=0)")
  if [ -n "$4" ]; then
    png=$(median_ms "$4 '$work/$name.heic' '$work/t.png'")
    pngRatio=$(ratio "$mine" "$png")
  fi
  y4m=$(median_ms "$5 '$work/$name.heic' '$work/t.y4m'")
  printf '%-6s %-33s %10s %10s %9s %10s %9s\n' "$name" "$label" "$mine" "$png" "$pngRatio" \
    "$y4m" "$(ratio "$mine" "$y4m")"
}
for name in tiled whole; do
  decode "$name" "$(basename "$build") (1.23.1, heif-dec)" "$ours" \
    "${heif_dec[*]} --png-compression-level 0" "${heif_dec[*]}"
done
# The older build against heif-convert of Debian's libheif, which it links.
if [ -n "$older" ]; then
  command -v heif-convert >/dev/null ||
    { echo "heic_decode.sh: apt-get install libheif-examples for the older build's tool" >&2; exit 2; }
  for name in tiled whole; do
    decode "$name" "$(basename "$older") (Debian's, heif-convert)" "$older/bin/trastel-batch" "" heif-convert
  done
fi

echo
echo "== 200-megapixel HEIC ($(stat -c %s "$work/huge.heic") bytes), converted to JPEG"
peak() {  # COMMAND: prints "seconds peak-MB"
  /usr/bin/time -f '%e %M' bash -c "$1" 2>&1 >/dev/null | tail -1 | awk '{printf "%6.2f s %6.0f MB", $1, $2 / 1024}'
}
echo "ours:             $(peak "$(batch "$ours" "$work/huge.heic" DIB_TYPE=1)")"
# ImageMagick's policy refuses pictures this large; exiftool reads the size from the header.
echo "output:           $(exiftool -s3 -ImageSize "$work/out/huge.jpg")"
echo "heif-dec to JPEG: $(peak "${heif_dec[*]} '$work/huge.heic' '$work/t.jpg'")"
