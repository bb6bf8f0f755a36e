#!/usr/bin/env bash
# Times hostile pictures through trastel-batch: wall time and peak memory of each refusal.
#   bench/hostile_files.sh [BUILD_DIR] [RUNS] [NAME_PATTERN]
# The files are crafted here: progressive JPEGs of 1001 scans (4096² and 16384²), an
# arithmetic-coded JPEG of a few hundred bytes claiming 16384², a JPEG claiming 16000² padded
# past the size check, a JPEG cut in half and closed with an end marker, a PNG whose text chunk
# claims 2^31-1 bytes, a sparse file over 1 GiB starting with a BMP signature, and a named pipe.
# Each is converted RUNS times (default 3); the medians are printed. A run over HOSTILE_TIMEOUT
# seconds (default 120) is stopped. NAME_PATTERN (a shell pattern) measures only matching files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-3}
pattern=${3:-*}
limit=${HOSTILE_TIMEOUT:-120}
program=$build/bin/trastel-batch
[ -x "$program" ] || { echo "hostile_files.sh: build $program first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=$work/files
mkdir -p "$files"

# A black picture of the given side as a PPM on standard output, without a file of its size.
black() {
  python3 -c 'import sys; n = int(sys.argv[1]); o = sys.stdout.buffer
o.write(b"P6 %d %d 255\n" % (n, n)); row = bytes(3 * n)
for _ in range(n): o.write(row)' "$1"
}
black 4096 | /usr/bin/cjpeg -progressive >"$work/progressive4096.jpg"
black 16384 | /usr/bin/cjpeg -progressive >"$work/progressive16384.jpg"
/usr/bin/convert -size 64x64 xc:gray50 -colorspace Gray "$work/grey.pgm"
/usr/bin/cjpeg -arithmetic -grayscale "$work/grey.pgm" >"$work/arithmetic.jpg"
/usr/bin/convert -seed 3 -size 2048x2048 plasma:fractal "$work/photo.ppm" 2>/dev/null ||
  /usr/bin/convert -size 2048x2048 gradient:red-blue "$work/photo.ppm"
/usr/bin/cjpeg "$work/photo.ppm" >"$work/photo.jpg"

python3 - "$work" "$files" "$root/tests/data/conformance/libjpeg-turbo/testorig.jpg" <<'PYTHON'
import os, struct, sys, zlib
work, out, testorig = sys.argv[1], sys.argv[2], sys.argv[3]

def read(name):
    with open(os.path.join(work, name), "rb") as f:
        return f.read()

def put(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)

def with_scans(data, scans):
    starts = [i for i in range(len(data) - 1) if data[i] == 0xFF and data[i + 1] == 0xDA]
    last = data[starts[-1]:-2]
    return data[:-2] + last * (scans - len(starts)) + b"\xff\xd9"

def claiming(data, width, height):
    for i in range(2, len(data) - 9):
        if data[i] == 0xFF and data[i + 1] in (0xC0, 0xC1, 0xC2, 0xC9, 0xCA):
            return data[:i + 5] + struct.pack(">HH", height, width) + data[i + 9:]
    raise SystemExit("no frame header")

put("progressive_4096_1001_scans.jpg", with_scans(read("progressive4096.jpg"), 1001))
put("progressive_16384_1001_scans.jpg", with_scans(read("progressive16384.jpg"), 1001))
put("arithmetic_claiming_16384.jpg", claiming(read("arithmetic.jpg"), 16384, 16384))
padded = claiming(open(testorig, "rb").read(), 16000, 16000)
comment = b"\xff\xfe" + struct.pack(">H", 65535) + b"c" * 65533
put("padded_claiming_16000.jpg", padded[:2] + comment * 8 + padded[2:])
photo = read("photo.jpg")
put("cut_and_closed.jpg", photo[:len(photo) // 2] + b"\xff\xd9")

def chunk(kind, body, length=None):
    length = len(body) if length is None else length
    return struct.pack(">I", length) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 0, 0, 0, 0))
png += chunk(b"tEXt", b"Comment\0x", 0x7FFFFFFF)
png += chunk(b"IDAT", zlib.compress(b"\0\0")) + chunk(b"IEND", b"")
put("text_chunk_claiming_2g.png", png[:79])
PYTHON

printf 'BM' >"$files/over_1gib.bmp"
truncate -s 1100M "$files/over_1gib.bmp"
mkfifo "$files/named_pipe.bmp"

median() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

printf '%-36s %9s %12s %12s  %s\n' file bytes 'wall s' 'peak MiB' 'exit status'
for file in "$files"/*; do
  name=$(basename "$file")
  # shellcheck disable=SC2053
  [[ $name == $pattern ]] || continue
  size=$(stat -c %s "$file")
  walls=() peaks=() status=
  for ((run = 0; run < runs; ++run)); do
    rm -rf "$work/out" && mkdir "$work/out"
    set +e
    /usr/bin/time -v -o "$work/time.txt" timeout "$limit" "$program" --out "$work/out" "$file" \
      >/dev/null 2>"$work/stderr.txt"
    status=$?
    set -e
    walls+=("$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0;
               for (i = 1; i <= n; ++i) s = s * 60 + t[i]; print s}' "$work/time.txt")")
    peaks+=("$(awk -F': ' '/Maximum resident/ {printf "%.1f", $2 / 1024}' "$work/time.txt")")
  done
  [ "$status" = 124 ] && status="124 (stopped after $limit s)"
  printf '%-36s %9s %12s %12s  %s\n' "$name" "$size" \
    "$(printf '%s\n' "${walls[@]}" | median)" "$(printf '%s\n' "${peaks[@]}" | median)" "$status"
done
