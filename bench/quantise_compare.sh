#!/usr/bin/env bash
# The 256-colour jobs (JPEG to GIF, JPEG to 8-bit RLE8 BMP) of trastel-batch against djpeg's own
# two-pass quantiser (`djpeg -gif|-bmp -colors 256`, which dithers too) as the floor, in one run
# on a small generated corpus: median CPU seconds of BENCH_RUNS runs with one worker, median wall
# seconds with two, output bytes, the median raw PSNR over the photos against the plain decode,
# and the blurred PSNR of the sky and gradient pictures. Then the animated GIF of 1000 frames.
#   bench/quantise_compare.sh [BUILD_DIR]     (BENCH_RUNS=3, BENCH_WORK=folder keeps the corpus)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${BENCH_RUNS:-3}
cmake --build "$build" --target trastel-batch quantise_psnr pipeline_timing >/dev/null
ours=$build/bin/trastel-batch
psnr=$build/bin/quantise_psnr
command -v djpeg >/dev/null || { echo "quantise_compare.sh: needs libjpeg-turbo-progs" >&2; exit 2; }

work=${BENCH_WORK:-$(mktemp -d)}
[ -n "${BENCH_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
corpus=$work/corpus
# Photograph-like pictures (soft shapes, fine detail, sensor-like noise), a sky with a little
# noise and a smooth two-way gradient: the last two show banding when dithering fails.
if [ ! -f "$corpus/done" ]; then
  mkdir -p "$corpus"
  for i in 1 2 3 4 5 6 7 8; do
    /usr/bin/convert -size 2048x1536 -seed "$i" plasma:fractal -blur 0x1.2 \
      -attenuate 0.4 +noise Gaussian -quality 92 "$corpus/photo$i.jpg"
  done
  /usr/bin/convert -size 2048x1536 gradient:'#1850b0'-'#d0e4f8' -attenuate 0.15 \
    +noise Gaussian -quality 92 "$corpus/sky.jpg"
  /usr/bin/convert -size 2048x1536 gradient:'#203080'-'#f0c070' \
    \( -size 1536x2048 gradient:'#000000'-'#006000' -rotate 90 \) -compose plus -composite \
    -quality 92 "$corpus/gradient.jpg"
  touch "$corpus/done"
fi
printf '#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#END\n' >"$work/bench.inf"

declare -A oursSet=([gif]="DIB_TYPE=3" [rle8]="DIB_TYPE=0 BMP_TYPE=3")
declare -A djpegFormat=([gif]=gif [rle8]=bmp)
declare -A extension=([gif]=gif [rle8]=bmp)

command_of() {  # job variant out
  local job=$1 variant=$2 out=$3
  case $variant in
    ours*)
      local sets=()
      for s in ${oursSet[$job]}; do sets+=(--set "$s"); done
      printf '%q ' "$ours" --jobs "${variant#ours}" --settings "$work/bench.inf" --out "$out" \
        "${sets[@]}" "$corpus"
      ;;
    djpeg)
      echo "for f in '$corpus'/*.jpg; do n=\${f##*/}; djpeg -${djpegFormat[$job]} -colors 256 \
\"\$f\" >'$out'/\${n%.*}.${extension[$job]}; done"
      ;;
  esac
}

time_once() {  # out command -> "wall cpu"
  rm -rf "$1" && mkdir -p "$1"
  /usr/bin/time -f '%e %U %S' -o "$work/time.txt" bash -c "$2" >/dev/null 2>"$work/err.txt" ||
    { echo "failed: $2" >&2; cat "$work/err.txt" >&2; exit 1; }
  awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time.txt"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0) print "-"; else printf "%.2f", a / b }'; }

# "raw blurred" PSNR of one output against the plain decode of its source.
psnr_of() {  # source output
  "$psnr" "$1" "$2" | awk '{ print $1, $4 }'
}

printf '%-5s %-7s %7s %7s %7s %11s %9s %9s %9s\n' job tool "cpu s" "×floor" "wall 2w" bytes \
  "raw dB" "sky dB" "grad dB"
for job in gif rle8; do
  declare -A cpus walls
  # Runs are interleaved, so that a change in the machine's load falls on every variant.
  for _ in $(seq "$runs"); do
    for variant in ours1 ours2 djpeg; do
      read -r wall cpu <<<"$(time_once "$work/out/$job/$variant" "$(command_of "$job" "$variant" \
        "$work/out/$job/$variant")")"
      cpus[$variant]+="$cpu " walls[$variant]+="$wall "
    done
  done
  floor=$(tr ' ' '\n' <<<"${cpus[djpeg]}" | grep . | median)
  for variant in ours1 djpeg; do
    out=$work/out/$job/$variant
    [ "$variant" = djpeg ] || out=$work/out/$job/ours2
    cpu=$(tr ' ' '\n' <<<"${cpus[$variant]}" | grep . | median)
    wall=-
    [ "$variant" = djpeg ] || wall=$(tr ' ' '\n' <<<"${walls[ours2]}" | grep . | median)
    bytes=$(du -cb "$out"/* | tail -1 | cut -f1)
    raws=() sky=- gradient=-
    for source in "$corpus"/*.jpg; do
      name=${source##*/} && name=${name%.jpg}
      read -r raw blurred <<<"$(psnr_of "$source" "$out/$name.${extension[$job]}")"
      case $name in
        sky) sky=$blurred ;;
        gradient) gradient=$blurred ;;
        *) raws+=("$raw") ;;
      esac
    done
    raw=$(printf '%s\n' "${raws[@]}" | median)
    printf '%-5s %-7s %7s %7s %7s %11s %9s %9s %9s\n' "$job" "${variant/ours1/ours}" "$cpu" \
      "$(ratio "$cpu" "$floor")" "$wall" "$bytes" "$raw" "$sky" "$gradient"
  done
  unset cpus walls
done

echo
echo "== Animated GIF of 1000 frames of 320x240 (median of $runs, CPU seconds)"
[ -f "$work/frame.jpg" ] ||
  /usr/bin/convert -size 320x240 -seed 5 plasma:fractal -quality 90 "$work/frame.jpg"
for _ in $(seq "$runs"); do
  /usr/bin/time -f '%U %S' -o "$work/time.txt" "$build/bin/pipeline_timing" animation \
    "$work/frame.jpg" "$work/anim.gif" 1000 >/dev/null
  awk '{ print $1 + $2 }' "$work/time.txt"
done | median
echo
echo "Corpus: 8 photograph-like JPEGs of 2048x1536, a sky and a gradient of the same size;"
echo "raw dB is the median over the photos, sky and grad dB the blurred PSNR (5x5 box)."
