#!/usr/bin/env bash
# The JPEG size cap against one plain encode on 48 photograph-like pictures of phone and camera
# sizes and textures (some well under the cap, most over it at the chosen quality), on one core.
#   bench/jpeg_size_cap.sh [BUILD_DIR] [QUALITY] [CAP_KB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
quality=${2:-92}
cap=${3:-200}
bench=$build/bin/jpeg_size_cap
[ -x "$bench" ] || { echo "jpeg_size_cap.sh: build $bench first" >&2; exit 2; }
work=${BENCH_WORK:-$(mktemp -d)}
mkdir -p "$work/corpus"
if [ ! -f "$work/corpus/done" ]; then
  sizes=(2016x1512 1512x2016 1600x1200 1200x1600)
  for i in $(seq 1 48); do
    size=${sizes[$((i % 4))]}
    blur=$(awk -v i="$i" 'BEGIN { printf "%.1f", 0.6 + (i % 6) * 0.5 }')
    noise=$(awk -v i="$i" 'BEGIN { printf "%.2f", (i % 5) * 0.15 }')
    /usr/bin/convert -size "$size" -seed "$i" plasma:fractal -blur "0x$blur" \
      -attenuate "$noise" +noise Gaussian -quality 95 "$work/corpus/photo$i.jpg"
  done
  touch "$work/corpus/done"
fi
taskset -c 0 "$bench" "$quality" "$cap" "$work" "$work"/corpus/photo*.jpg
