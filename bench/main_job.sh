#!/usr/bin/env bash
# The main job's responsiveness: the refresh of a 1920x1080 JPEG with 1000 entries in the list,
# and a run of 1000 small pictures with the longest gap between two pumped window messages, then
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

mkdir -p "$work/small" "$work/out"
/usr/bin/convert -size 160x120 -seed 4 plasma:fractal "$work/small/p0000.png"
for i in $(seq 1 999); do cp "$work/small/p0000.png" "$work/small/p$(printf %04d "$i").png"; done
"$build/bin/main_job_timing" batch "$work/small/" "$work/out/"
# The same run with the photograph selected and refreshed now and then while it goes.
rm -rf "$work/out" && mkdir -p "$work/out"
"$build/bin/main_job_timing" batch "$work/small/" "$work/out/" "$work/photo.jpg"
