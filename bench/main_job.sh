#!/usr/bin/env bash
# The main job's responsiveness: the refresh of a 1920x1080 JPEG with 1000 entries in the list
# (how long it holds the window, and when its figures show), the same for 12-megapixel photos as
# JPEG and as a phone's tiled HEIC, and a run of 1000 small pictures with the longest gap between two pumped window messages, then
# again with that JPEG refreshed while the run is going.
#   bench/main_job.sh [build folder] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --build "$build" --target main_job_timing >/dev/null

/usr/bin/convert -size 1920x1080 -seed 11 plasma:fractal -blur 0x2 -quality 90 "$work/photo.jpg"
"$build/bin/main_job_timing" refresh "$work/photo.jpg" "$runs"
/usr/bin/convert -size 4096x3072 -seed 7 plasma:fractal -blur 0x1.2 -attenuate 0.4 \
  +noise Gaussian -crop 4032x3024+0+0 +repage "$work/photo12.png"
/usr/bin/convert "$work/photo12.png" -quality 90 "$work/photo12.jpg"
/usr/bin/convert "$work/photo12.png" -crop 512x512 +repage -quality 85 "$work/tile-%02d.heic"
cmake --build "$build" --target heif_grid >/dev/null
"$build/bin/heif_grid" "$work/photo12.heic" 4032 3024 8 6 "$work"/tile-*.heic
for photo in photo12.jpg photo12.heic; do
  echo "$photo:"
  "$build/bin/main_job_timing" refresh "$work/$photo" "$runs"
done

mkdir -p "$work/small" "$work/out"
/usr/bin/convert -size 160x120 -seed 4 plasma:fractal "$work/small/p0000.png"
for i in $(seq 1 999); do cp "$work/small/p0000.png" "$work/small/p$(printf %04d "$i").png"; done
"$build/bin/main_job_timing" batch "$work/small/" "$work/out/"
# The same run with the photograph selected and refreshed now and then while it goes.
rm -rf "$work/out" && mkdir -p "$work/out"
"$build/bin/main_job_timing" batch "$work/small/" "$work/out/" "$work/photo.jpg"
