#!/usr/bin/env bash
# Decode and encode times of one 12-megapixel photo in the newer formats, ours against the
# formats' own command-line tools, with JPEG beside them as the yardstick, all on one core in one
# run; output bytes and PSNR at matched settings.
#   bench/modern_formats.sh [BUILD_DIR]
# Decoding: ours converts to 24-bit BMP; heif-dec of the programs' own libheif writes Y4M (raw
# YUV, less work than ours),
# dwebp and djpeg write PPM/BMP. Encoding starts from the same JPEG for every tool.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
ours=$build/bin/trastel-batch
[ -x "$ours" ] || { echo "modern_formats.sh: build $ours first" >&2; exit 2; }
missing=()
for tool in avifenc:libavif-bin cwebp:webp djpeg:libjpeg-turbo-progs; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get install -y "${missing[@]}" >/dev/null
fi

libheif=$("$root/scripts/build-libraries" linux)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
one_core=(taskset -c 0)
runs=5
/usr/bin/convert -size 4000x3000 -seed 7 plasma:fractal -blur 0x1.2 -attenuate 0.4 \
  +noise Gaussian -quality 92 "$work/photo.jpg"
printf '#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#END\n' >"$work/bench.inf"

source "$root/bench/median_time.sh"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# ours SOURCE OUTFOLDER SETTINGS...: one picture converted with one worker.
ours() {
  local source=$1 out=$2
  shift 2
  local sets=""
  for s in "$@"; do sets+=" --set $s"; done
  echo "rm -rf '$out' && '$ours' --jobs 1 --settings '$work/bench.inf' --out '$out' $sets '$source'"
}
psnr() { /usr/bin/compare -metric PSNR "$work/reference.png" "$1" null: 2>&1 | awk '{print $1}'; }
djpeg "$work/photo.jpg" | /usr/bin/convert ppm:- "$work/reference.png"

# The sources: HEIC and WebP at quality 80, AVIF at libheif's quality 60 (aom's cq-level 25).
/usr/bin/convert "$work/photo.jpg" -quality 80 "$work/photo.heic"
cwebp -quiet -q 80 "$work/photo.jpg" -o "$work/photo.webp"
avifenc -j 1 -y 420 -s 6 -a end-usage=q -a cq-level=25 "$work/photo.jpg" "$work/photo.avif" >/dev/null

echo "== decode (4000x3000, median of $runs, ms, one core)"
printf '%-5s %7s %7s %6s  %s\n' kind ours tool ratio tool
decode() {  # kind tool-command [tool-name]
  local mine theirs
  mine=$(median_ms "$(ours "$work/photo.$1" "$work/dec-$1" DIB_TYPE=0)")
  theirs=$(median_ms "$2")
  printf '%-5s %7s %7s %6s  %s\n' "$1" "$mine" "$theirs" "$(ratio "$mine" "$theirs")" "${3:-${2%% *}}"
}
decode jpg "djpeg -bmp '$work/photo.jpg' >'$work/t.bmp'"
decode heic "LD_LIBRARY_PATH='$libheif/lib' '$libheif/bin/heif-dec' --quiet '$work/photo.heic' '$work/t.y4m'" \
  heif-dec
decode webp "dwebp '$work/photo.webp' -ppm -o '$work/t.ppm'"
decode avif "avifdec -j 1 '$work/photo.avif' '$work/t.y4m'"

echo
echo "== encode from the JPEG (median of $runs, ms, one core; bytes; PSNR against the decoded JPEG)"
printf '%-12s %7s %7s %6s %10s %10s %7s %7s\n' job ours tool ratio "ours B" "tool B" "ours dB" "tool dB"
encode() {  # job extension our-settings tool-command tool-output
  local job=$1 ext=$2 settings=$3 command=$4 output=$5 mine theirs
  # shellcheck disable=SC2086
  mine=$(median_ms "$(ours "$work/photo.jpg" "$work/enc-$job" $settings)")
  theirs=$(median_ms "$command")
  local produced=$work/enc-$job/photo.$ext
  /usr/bin/convert "$produced" -colorspace sRGB "$work/ours.png"
  /usr/bin/convert "$output" -colorspace sRGB "$work/theirs.png"
  printf '%-12s %7s %7s %6s %10s %10s %7s %7s\n' "$job" "$mine" "$theirs" "$(ratio "$mine" "$theirs")" \
    "$(stat -c %s "$produced")" "$(stat -c %s "$output")" "$(psnr "$work/ours.png")" \
    "$(psnr "$work/theirs.png")"
}
encode jpeg jpg "DIB_TYPE=1 JPG_TYPE=15" "djpeg '$work/photo.jpg' | cjpeg -quality 85 -optimize >'$work/t.jpg'" \
  "$work/t.jpg"
encode webp webp "DIB_TYPE=5 WEBP_QUALITY=80" \
  "cwebp -quiet -q 80 -m 4 '$work/photo.jpg' -o '$work/t.webp'" "$work/t.webp"
encode webp-lossless webp "DIB_TYPE=5 WEBP_LOSSLESS=1" \
  "cwebp -quiet -lossless -q 75 -m 4 '$work/photo.jpg' -o '$work/tl.webp'" "$work/tl.webp"
encode avif avif "DIB_TYPE=6 AVIF_QUALITY=60 AVIF_SPEED=6" \
  "avifenc -j 1 -y 420 -s 6 -a end-usage=q -a cq-level=25 '$work/photo.jpg' '$work/t.avif'" "$work/t.avif"
