#!/usr/bin/env bash
# JPEG XL: decode and encode times of a 12-megapixel photo through the image library
# (bench/jxl_timing) against djxl and cjxl of the same libjxl, one thread each on one core,
# medians of 5 runs of wall and CPU time (user + system: the ratio to trust on a busy machine);
# libjxl's own gain from its thread runner (djxl and cjxl on one thread and on every core); then
# bytes and PSNR of our JPEG XL, WebP and AVIF writers at several qualities.
#   bench/jxl.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
ours=$build/bin/jxl_timing
[ -x "$ours" ] || { echo "jxl.sh: build $ours first" >&2; exit 2; }
libjxl=$("$root/scripts/build-libraries" linux)
djxl="env LD_LIBRARY_PATH=$libjxl/lib $libjxl/bin/djxl"
cjxl="env LD_LIBRARY_PATH=$libjxl/lib $libjxl/bin/cjxl"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
one_core=(taskset -c 0)
runs=5
source "$root/bench/median_time.sh"
# The ratios of two "wall/cpu" pairs.
ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, "/"); split(b, y, "/"); printf "%.2f/%.2f", x[1] / y[1], x[2] / y[2] }'
}

# The photo as the other benchmarks make it, given to both sides uncompressed (BMP to ours, PPM
# to cjxl), and a JPEG XL of it at cjxl's default distance.
/usr/bin/convert -size 4000x3000 -seed 7 plasma:fractal -blur 0x1.2 -attenuate 0.4 \
  +noise Gaussian "$work/photo.png"
/usr/bin/convert "$work/photo.png" -type TrueColor "BMP3:$work/photo.bmp"
/usr/bin/convert "$work/photo.png" "$work/photo.ppm"
$cjxl "$work/photo.ppm" "$work/photo.jxl" --quiet --num_threads=0

echo "== 4000x3000, median of $runs, wall/CPU ms, one core, one thread"
printf '%-22s %12s %12s %10s\n' step ours tool ratio
step() {  # NAME OURS-COMMAND TOOL-COMMAND
  local mine theirs
  mine=$(median_wall_cpu_ms "$2")
  theirs=$(median_wall_cpu_ms "$3")
  printf '%-22s %12s %12s %10s\n' "$1" "$mine" "$theirs" "$(ratio "$mine" "$theirs")"
}
step "decode" "'$ours' decode '$work/photo.jxl'" \
  "$djxl '$work/photo.jxl' --disable_output --num_threads=0 --quiet"
for effort in 3 7; do
  step "encode q90 effort $effort" "'$ours' save jxl '$work/photo.bmp' '$work/o.jxl' 90 $effort" \
    "$cjxl '$work/photo.ppm' '$work/c.jxl' -q 90 -e $effort --num_threads=0 --quiet"
done

echo
echo "== libjxl's thread runner: djxl and cjxl on one thread and on $(nproc) (wall/CPU ms)"
one_core=()
for threads in 0 "$(nproc)"; do
  printf 'threads %-3s decode %12s  encode q90 e7 %12s\n' "$threads" \
    "$(median_wall_cpu_ms "$djxl '$work/photo.jxl' --disable_output --num_threads=$threads --quiet")" \
    "$(median_wall_cpu_ms "$cjxl '$work/photo.ppm' '$work/c.jxl' -q 90 -e 7 --num_threads=$threads --quiet")"
done

echo
echo "== bytes and PSNR (dB) of our writers"
printf '%-5s %4s %10s %7s\n' kind q bytes PSNR
psnr() { /usr/bin/compare -metric PSNR "$work/photo.png" "$1" null: 2>&1 | awk '{print $1}'; }
for quality in 50 70 90; do
  "$ours" save jxl "$work/photo.bmp" "$work/o.jxl" "$quality" 7
  $djxl "$work/o.jxl" "$work/o-jxl.png" --quiet
  "$ours" save webp "$work/photo.bmp" "$work/o.webp" "$quality"
  dwebp -quiet "$work/o.webp" -o "$work/o-webp.png"
  "$ours" save avif "$work/photo.bmp" "$work/o.avif" "$quality" 6
  avifdec -j 1 "$work/o.avif" "$work/o-avif.png" >/dev/null
  for kind in jxl webp avif; do
    printf '%-5s %4s %10s %7s\n' "$kind" "$quality" "$(stat -c %s "$work/o.$kind")" \
      "$(psnr "$work/o-$kind.png")"
  done
done
