#!/usr/bin/env bash
# trastel-batch --estimate against the real run, on one core: the estimate's CPU time as a share
# of the run's, its predicted total against the run's real total, and the share of the entries
# whose predicted bytes are within ±20 % of their real files; the median of BENCH_RUNS
# estimates' CPU. Jobs: JPEG long side 1600 quality 85, WebP 80, AVIF at its defaults, PNG; sets:
# the 48 photos of bench/photo_corpus.sh and 200 mixed pictures (screenshots, drawings, small
# PNGs, photos).
#   bench/estimate.sh [BUILD_DIR]     (BENCH_JOBS="jpeg1600 png", BENCH_SETS=photos, BENCH_RUNS=3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
ours=$build/bin/trastel-batch
[ -x "$ours" ] || { echo "estimate.sh: build $ours first" >&2; exit 2; }
work=${BENCH_WORK:-$(mktemp -d)}
[ -n "${BENCH_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
runs=${BENCH_RUNS:-3}
read -ra jobs <<<"${BENCH_JOBS:-jpeg1600 webp80 avif png}"
read -ra sets <<<"${BENCH_SETS:-photos mixed}"

source "$root/bench/photo_corpus.sh"
make_photo_corpus "$work/photos"

# 200 pictures of mixed kinds, 50 of each, made once.
make_mixed() {  # folder
  local folder=$1 i
  [ -f "$folder/done" ] && return
  mkdir -p "$folder"
  RANDOM=42
  for i in $(seq 1 50); do
    # A window with a title bar, panels and lines of text.
    local w=$((1024 + RANDOM % 1000)) h=$((700 + RANDOM % 500)) draw="" y
    draw+="fill #2a5db0 rectangle 0,0 $w,36 fill #e8e8e8 rectangle 0,36 220,$h "
    for y in $(seq 60 22 $((h - 40))); do
      draw+="fill #303030 text $((240 + RANDOM % 40)),$y 'line $y of window $i: $RANDOM $RANDOM' "
    done
    /usr/bin/convert -size "${w}x$h" xc:white -pointsize 13 -draw "$draw" "$folder/screen$i.png"
  done
  for i in $(seq 1 50); do
    # Lines and circles on white.
    local w=$((600 + RANDOM % 1400)) h=$((500 + RANDOM % 1000)) draw="" k
    for k in $(seq 1 40); do
      draw+="stroke #$(printf '%06x' $((RANDOM * RANDOM % 16777216))) stroke-width $((1 + RANDOM % 4)) "
      draw+="line $((RANDOM % w)),$((RANDOM % h)) $((RANDOM % w)),$((RANDOM % h)) "
      draw+="fill none circle $((RANDOM % w)),$((RANDOM % h)) $((RANDOM % w)),$((RANDOM % h)) "
    done
    /usr/bin/convert -size "${w}x$h" xc:white -draw "$draw" "$folder/drawing$i.png"
  done
  for i in $(seq 1 50); do
    local side=$((16 + RANDOM % 240))
    /usr/bin/convert -size "${side}x$side" -seed "$i" plasma: -blur 0x2 "$folder/icon$i.png"
  done
  for i in $(seq 1 50); do
    local w=$((640 + RANDOM % 3400)) h=$((480 + RANDOM % 2600))
    /usr/bin/convert -size "${w}x$h" -seed "$((100 + i))" plasma:fractal -blur 0x1 \
      -attenuate 0.3 +noise Gaussian -quality 90 "$folder/photo$i.jpg"
  done
  touch "$folder/done"
}
[[ " ${sets[*]} " == *" mixed "* ]] && make_mixed "$work/mixed"

declare -A settingsOf=(
  [jpeg1600]="DIB_TYPE=1 JPG_TYPE=15 RESIZE_TYPE=3 RESIZE_FIT=2 NO_ENLARGE=1 RESIZE_X=1600 RESIZE_Y=1600"
  [webp80]="DIB_TYPE=5 WEBP_QUALITY=80"
  [avif]="DIB_TYPE=6"
  [png]="DIB_TYPE=2"
)
printf '#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#END\n' >"$work/bench.inf"

# CPU seconds (user + system) of a command, its output into `into`.
cpu_of() {  # into command...
  local into=$1
  shift
  /usr/bin/time -f '%U %S' -o "$work/time.txt" taskset -c 0 "$@" >"$into" 2>"$work/err.txt"
  awk '{ printf "%.2f", $1 + $2 }' "$work/time.txt"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-9s %-7s %8s %8s %6s %12s %12s %7s %9s %9s\n' job set "est cpu" "run cpu" "share" \
  "predicted" "real" total "±20 %" "median"
for job in "${jobs[@]}"; do
  sets_args=()
  for s in ${settingsOf[$job]}; do sets_args+=(--set "$s"); done
  for set in "${sets[@]}"; do
    out=$work/out/$job-$set
    command=("$ours" --jobs 1 --settings "$work/bench.inf" --out "$out" "${sets_args[@]}" "$work/$set")
    rm -rf "$out"
    estimates=()
    for _ in $(seq "$runs"); do
      estimates+=("$(cpu_of "$work/estimate.tsv" "${command[@]}" --estimate --tsv)")
    done
    estimateCpu=$(printf '%s\n' "${estimates[@]}" | median)
    runCpu=$(cpu_of /dev/null "${command[@]}" || true)
    # Each written entry's predicted bytes against its real file.
    tail -n +2 "$work/estimate.tsv" | awk -F '\t' '$5 > 0 { print $2 "\t" $5 }' |
      while IFS=$'\t' read -r output predicted; do
        printf '%s %s\n' "$predicted" "$(stat -c %s "$output")"
      done >"$work/pairs.txt"
    # Sorted by each entry's error, for its median.
    awk '{ d = $1 / $2 - 1; print (d < 0 ? -d : d), $1, $2 }' "$work/pairs.txt" | sort -g |
      awk -v job="$job" -v set="$set" -v e="$estimateCpu" -v r="$runCpu" '
        { p += $2; q += $3; n++; if ($1 <= 0.2) w++; a[n] = $1 }
        END {
          m = (n % 2) ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
          printf "%-9s %-7s %8.2f %8.2f %5.1f%% %12d %12d %+6.1f%% %8.1f%% %8.1f%%\n",
            job, set, e, r, 100 * e / r, p, q, 100 * (p / q - 1), 100 * w / n, 100 * m
        }'
  done
done
echo "share: estimate CPU / run CPU; total: predicted total / real total - 1;"
echo "±20 %: entries within 20 % of their real bytes; median: median entry error"
