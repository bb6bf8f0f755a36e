#!/usr/bin/env bash
# trastel-batch with 1, 2 and every core (--jobs) against libvips and ImageMagick with their own
# default threading, on the corpus of bench/batch_compare.sh: median wall and CPU seconds of
# BENCH_RUNS runs per job, and their ratios to one and two workers of ours. Then the CPU of a
# 24-bit BMP at original size against djpeg writing the same BMP.
#   bench/parallel_batch.sh [BUILD_DIR]     (BENCH_JOBS="jpegpng grey", BENCH_RUNS=5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
ours=$build/bin/trastel-batch
[ -x "$ours" ] || { echo "parallel_batch.sh: build $ours first" >&2; exit 2; }
if ! command -v vips >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get install -y libvips-tools >/dev/null
fi

work=${BENCH_WORK:-$(mktemp -d)}
[ -n "${BENCH_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
unset OMP_NUM_THREADS MAGICK_THREAD_LIMIT VIPS_CONCURRENCY
quality=85
source "$root/bench/batch_jobs.sh"
read -ra jobs <<<"${BENCH_JOBS:-jpeg640 jpegpng jpeggif rotate30 grey}"
runs=${BENCH_RUNS:-3}
cores=$(nproc)
variants=(ours1 ours2)
[ "$cores" -le 2 ] || variants+=(ours$cores)
variants+=(vips magick)
printf '#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#END\n' >"$work/bench.inf"

# The command of one variant on one job, writing into `out`.
command_of() {  # job variant out
  local job=$1 variant=$2 out=$3 in=$corpus/${input[$1]} ext=${extension[$1]}
  case $variant in
    ours*)
      local sets=()
      for s in ${oursSet[$job]}; do sets+=(--set "$s"); done
      printf '%q ' "$ours" --jobs "${variant#ours}" --settings "$work/bench.inf" --out "$out" \
        "${sets[@]}" "$in"
      ;;
    magick) echo "/usr/bin/mogrify -path '$out' -format $ext ${magick[$job]} '$in'/*" ;;
    vips) echo "for f in '$in'/*; do n=\${f##*/}; o='$out'/\${n%.*}.$ext; ${vipsOne[$job]}; done" ;;
  esac
}

# Runs a command under /usr/bin/time into a fresh `out`; prints "wall cpu".
time_once() {  # out command
  rm -rf "$1" && mkdir -p "$1"
  /usr/bin/time -f '%e %U %S' -o "$work/time.txt" bash -c "$2" >/dev/null 2>"$work/err.txt" ||
    { echo "failed: $2" >&2; cat "$work/err.txt" >&2; exit 1; }
  awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time.txt"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0) print "-"; else printf "%.2f", a / b }'; }

printf '%-9s %-7s %7s %7s %8s %8s %8s\n' job variant "wall s" "cpu s" "wall/1w" "wall/2w" "cpu/1w"
for job in "${jobs[@]}"; do
  declare -A walls cpus wallOf cpuOf
  # Runs are interleaved, so that a change in the machine's load falls on every variant.
  for ((run = 0; run < runs; run++)); do
    for variant in "${variants[@]}"; do
      read -r wall cpu <<<"$(time_once "$work/out" "$(command_of "$job" "$variant" "$work/out")")"
      walls[$variant]+="$wall " cpus[$variant]+="$cpu "
    done
  done
  for variant in "${variants[@]}"; do
    wallOf[$variant]=$(tr ' ' '\n' <<<"${walls[$variant]}" | grep . | median)
    cpuOf[$variant]=$(tr ' ' '\n' <<<"${cpus[$variant]}" | grep . | median)
  done
  for variant in "${variants[@]}"; do
    printf '%-9s %-7s %7.2f %7.2f %8s %8s %8s\n' "$job" "$variant" "${wallOf[$variant]}" \
      "${cpuOf[$variant]}" "$(ratio "${wallOf[$variant]}" "${wallOf[ours1]}")" \
      "$(ratio "${wallOf[$variant]}" "${wallOf[ours2]}")" \
      "$(ratio "${cpuOf[$variant]}" "${cpuOf[ours1]}")"
  done
  unset walls cpus wallOf cpuOf
done

# A 24-bit BMP at original size, one worker, against djpeg.
bmpOurs=() bmpDjpeg=()
for ((run = 0; run < runs; run++)); do
  read -r _ cpu <<<"$(time_once "$work/out" "$(printf '%q ' "$ours" --jobs 1 --settings \
    "$work/bench.inf" --out "$work/out" --set DIB_TYPE=0 --set BMP_TYPE=0 "$corpus/jpeg")")"
  bmpOurs+=("$cpu")
  read -r _ cpu <<<"$(time_once "$work/out" "for f in '$corpus/jpeg'/*; do n=\${f##*/}; \
    djpeg -bmp -outfile '$work/out'/\${n%.*}.bmp \"\$f\"; done")"
  bmpDjpeg+=("$cpu")
done
oursBmp=$(printf '%s\n' "${bmpOurs[@]}" | median)
djpegBmp=$(printf '%s\n' "${bmpDjpeg[@]}" | median)
echo
echo "JPEG -> BMP 24-bit, original size: ours $oursBmp s CPU, djpeg $djpegBmp s," \
  "ratio $(ratio "$oursBmp" "$djpegBmp")"
echo "Medians of $runs runs on $cores cores; wall/1w and cpu/1w against ours with one worker,"
echo "wall/2w against ours with two. libvips and ImageMagick use their default threading."
