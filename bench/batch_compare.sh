#!/usr/bin/env bash
# Runs the same batch jobs with trastel-batch, ImageMagick, GraphicsMagick and libvips on a fixed
# generated corpus and prints, per job and tool: pictures per second, CPU seconds, peak memory,
# output bytes, PSNR against a high-quality reference, and each figure's ratio to ours. The
# "floor" is the same work done by libjpeg-turbo's djpeg/cjpeg and netpbm's filters in a pipe.
#   bench/batch_compare.sh [BUILD_DIR] [OLDER_BUILD_DIR]
#     BENCH_JOBS="jpegpng grey" runs only those jobs, BENCH_TOOLS="ours floor" only those tools;
#     an older build is the tool "before", run in the same rounds.
# Every tool runs on one thread, so that CPU seconds and wall time compare like with like.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
ours=$build/bin/trastel-batch
[ -x "$ours" ] || { echo "batch_compare.sh: build $ours first" >&2; exit 2; }
before=${2:+$2/bin/trastel-batch}

read -ra tools <<<"${BENCH_TOOLS:-ours ${before:+before }magick gm vips floor}"
missing=()
declare -A packageOf=([gm]=graphicsmagick [vips]=libvips-tools [floor]="libjpeg-turbo-progs netpbm")
declare -A commandOf=([gm]=gm [vips]=vips [floor]=pnmtopng)
for tool in "${tools[@]}"; do
  [ -n "${commandOf[$tool]:-}" ] && ! command -v "${commandOf[$tool]}" >/dev/null &&
    read -ra packages <<<"${packageOf[$tool]}" && missing+=("${packages[@]}")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get install -y "${missing[@]}" >/dev/null
fi

work=${BENCH_WORK:-$(mktemp -d)}
[ -n "${BENCH_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
export OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1
quality=85

# The corpus and the jobs.
source "$root/bench/batch_jobs.sh"
read -ra jobs <<<"${BENCH_JOBS:-web1600 heic1600 webp1600 jpeg640 jpegpng jpeggif bmprle rotate30 grey other640}"


# Runs one tool on one job into $work/out/JOB/TOOL under /usr/bin/time; prints
# "wall cpu peakKiB" or "n/a" when the tool has no such job.
run_tool() {  # job tool
  local job=$1 tool=$2 in=$corpus/${input[$1]} out=$work/out/$1/$2 ext=${extension[$1]}
  rm -rf "$out" && mkdir -p "$out"
  local command
  case $tool in
    ours | before)
      local sets=() program=$ours
      [ "$tool" = before ] && program=$before
      for s in ${oursSet[$job]}; do sets+=(--set "$s"); done
      printf '#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#END\n' >"$work/bench.inf"
      command=$(printf '%q ' "$program" --jobs 1 --settings "$work/bench.inf" --out "$out" "${sets[@]}" "$in")
      ;;
    magick) command="/usr/bin/mogrify -path '$out' -format $ext ${magick[$job]} '$in'/*" ;;
    gm) command="cd '$in' && gm mogrify -output-directory '$out' -format $ext ${gmagick[$job]} *" ;;
    vips)
      [ -n "${vipsOne[$job]}" ] || { echo n/a; return; }
      command="for f in '$in'/*; do n=\${f##*/}; o='$out'/\${n%.*}.$ext; ${vipsOne[$job]}; done"
      ;;
    floor)
      [ -n "${floorOne[$job]:-}" ] || { echo n/a; return; }
      command="for f in '$in'/*; do n=\${f##*/}; o='$out'/\${n%.*}.$ext; ${floorOne[$job]}; done"
      ;;
  esac
  if ! /usr/bin/time -v -o "$work/time.txt" bash -c "$command" >/dev/null 2>"$work/err.txt"; then
    echo failed
    return
  fi
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); wall = (n == 3) ? p[1] * 3600 + p[2] * 60 + p[3] : p[1] * 60 + p[2] }
    /User time/ { cpu += $2 } /System time/ { cpu += $2 }
    /Maximum resident set size/ { peak = $2 }
    END { printf "%.2f %.2f %d\n", wall, cpu, peak }' "$work/time.txt"
}

# Mean PSNR in dB of the job's outputs of one picture per size against the reference.
psnr_of() {  # job tool
  local job=$1 tool=$2 total=0 count=0 ext=${extension[$1]}
  for name in hd1 large1 png1 gif1 bmp1 phone1; do
    local source
    source=$(ls "$corpus/${input[$job]}/$name".* 2>/dev/null | head -1) || true
    [ -n "$source" ] || continue
    local produced=$work/out/$job/$tool/$name.$ext
    [ -f "$produced" ] || continue
    local ref=$work/ref/$job/$name.png
    if [ ! -f "$ref" ]; then
      mkdir -p "$(dirname "$ref")"
      # shellcheck disable=SC2086
      /usr/bin/convert "$source" ${reference[$job]} "$ref"
    fi
    # A turned canvas may differ from the reference's by a pixel: centre it on white first.
    local size
    size=$(/usr/bin/identify -format '%wx%h' "$ref")
    if [ "$(/usr/bin/identify -format '%wx%h' "$produced")" != "$size" ]; then
      /usr/bin/convert "$produced" -background white -gravity center -extent "$size" "$work/fit.png"
      produced=$work/fit.png
    fi
    local value
    value=$(/usr/bin/compare -metric PSNR "$ref" "$produced" null: 2>&1 | awk '{print $1}') || true
    [[ $value =~ ^[0-9.]+$ || $value == inf ]] || continue
    [ "$value" = inf ] && value=99
    total=$(awk -v a="$total" -v b="$value" 'BEGIN { print a + b }')
    count=$((count + 1))
  done
  [ "$count" -gt 0 ] && awk -v a="$total" -v n="$count" 'BEGIN { printf "%.2f", a / n }' || echo n/a
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0) print "-"; else printf "%.2f", a / b }'; }

printf '%-9s %-6s %7s %7s %7s %7s %6s %9s %6s %8s %6s\n' job tool "pics/s" "×ours" \
  "cpu s" "×ours" "MiB" "bytes" "×ours" "PSNR dB" "−ours"
for job in "${jobs[@]}"; do
  count=$(ls "$corpus/${input[$job]}" | wc -l)
  declare -A wallOf cpuOf peakOf bytesOf psnrOf
  for tool in "${tools[@]}"; do
    read -r wall cpu peak <<<"$(run_tool "$job" "$tool") " || true
    if [[ ! $wall =~ ^[0-9] ]]; then
      printf '%-9s %-6s %s\n' "$job" "$tool" "${wall:-n/a}"
      continue
    fi
    wallOf[$tool]=$wall cpuOf[$tool]=$cpu peakOf[$tool]=$peak
    bytesOf[$tool]=$(du -cb "$work/out/$job/$tool"/* 2>/dev/null | tail -1 | cut -f1)
    psnrOf[$tool]=$(psnr_of "$job" "$tool")
    rate=$(awk -v n="$count" -v w="$wall" 'BEGIN { printf "%.2f", (w > 0 ? n / w : 0) }')
    oursRate=$(awk -v n="$count" -v w="${wallOf[ours]}" 'BEGIN { printf "%.2f", (w > 0 ? n / w : 0) }')
    psnrDelta=-
    if [[ ${psnrOf[$tool]} =~ ^[0-9] && ${psnrOf[ours]:-n/a} =~ ^[0-9] ]]; then
      psnrDelta=$(awk -v a="${psnrOf[$tool]}" -v b="${psnrOf[ours]}" 'BEGIN { printf "%+.2f", a - b }')
    fi
    printf '%-9s %-6s %7s %7s %7s %7s %6.0f %9s %6s %8s %6s\n' "$job" "$tool" "$rate" \
      "$(ratio "$rate" "$oursRate")" "$cpu" "$(ratio "$cpu" "${cpuOf[ours]}")" \
      "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "${bytesOf[$tool]}" \
      "$(ratio "${bytesOf[$tool]}" "${bytesOf[ours]}")" "${psnrOf[$tool]}" "$psnrDelta"
  done
  unset wallOf cpuOf peakOf bytesOf psnrOf
done
echo
echo "Corpus: 6 JPEG 1920x1080 and 2 JPEG 4000x3000 (jobs on jpeg), 4 HEIC 4032x3024 of 8x6 tiles (heic1600), 2 each of PNG, GIF and BMP"
echo "1920x1080 (other640). One thread per tool; ×ours = tool / ours (cpu s below 1: the tool"
echo "spends less CPU); PSNR against an ImageMagick reference (Lanczos), −ours = tool − ours."
