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
source "$root/bench/photo_corpus.sh"
make_photo_corpus "$work/corpus"
taskset -c 0 "$bench" "$quality" "$cap" "$work" "$work"/corpus/photo*.jpg
