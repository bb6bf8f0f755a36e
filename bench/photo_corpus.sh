# 48 photograph-like pictures of phone and camera sizes and textures, sourced by
# bench/jpeg_size_cap.sh and bench/estimate.sh.
# shellcheck shell=bash

# Makes photo1.jpg … photo48.jpg in `folder`, once.
make_photo_corpus() {  # folder
  local folder=$1
  [ -f "$folder/done" ] && return
  mkdir -p "$folder"
  local sizes=(2016x1512 1512x2016 1600x1200 1200x1600)
  for i in $(seq 1 48); do
    local size=${sizes[$((i % 4))]}
    local blur noise
    blur=$(awk -v i="$i" 'BEGIN { printf "%.1f", 0.6 + (i % 6) * 0.5 }')
    noise=$(awk -v i="$i" 'BEGIN { printf "%.2f", (i % 5) * 0.15 }')
    /usr/bin/convert -size "$size" -seed "$i" plasma:fractal -blur "0x$blur" \
      -attenuate "$noise" +noise Gaussian -quality 95 "$folder/photo$i.jpg"
  done
  touch "$folder/done"
}
