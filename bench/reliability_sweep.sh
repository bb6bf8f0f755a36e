#!/usr/bin/env bash
# Feeds damaged and unusual pictures through trastel-batch one at a time, with a time limit and
# a memory limit, and counts how each ended: converted, refused with a message, crashed, hung.
#   bench/reliability_sweep.sh [BUILD_DIR]
# The folder holds generated damaged files (empty, truncated, wrong magic, huge header sizes,
# RLE runs past the row, ...) and the public conformance pictures of tests/data/conformance. Every
# file goes through two settings: the default 24-bit BMP, and GIF after a resize and a rotation.
# A sanitizer build (TRASTEL_SANITIZE) is recognised by its runtime and run without ulimit -v,
# which the sanitizers' address reservations cannot live with; its own limits stand in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
program=$build/bin/trastel-batch
[ -x "$program" ] || { echo "reliability_sweep.sh: build $program first" >&2; exit 2; }
seconds=${SWEEP_TIMEOUT:-30}
memoryKiB=${SWEEP_MEMORY_KIB:-2097152}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=$work/files
mkdir -p "$files"

# --- Valid seeds, then damaged variants of them.
/usr/bin/convert -size 64x48 gradient:red-blue "$work/seed.jpg"
/usr/bin/convert -size 64x48 gradient:red-blue "$work/seed.png"
/usr/bin/convert -size 64x48 gradient:red-blue -colors 64 "$work/seed.gif"
/usr/bin/convert -size 64x48 gradient:red-blue "BMP3:$work/seed.bmp"
/usr/bin/convert -size 64x48 gradient:red-blue -colors 200 -compress RLE "BMP3:$work/seed_rle.bmp"
/usr/bin/convert -size 64x48 gradient:red-blue -interlace Plane "$work/seed_progressive.jpg"
/usr/bin/convert -size 64x48 gradient:red-blue -interlace PNG "$work/seed_interlaced.png"

python3 - "$work" "$files" <<'PYTHON'
import os, struct, sys, zlib, random
work, out = sys.argv[1], sys.argv[2]
random.seed(7)

def put(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)

def seed(name):
    with open(os.path.join(work, name), "rb") as f:
        return f.read()

seeds = ["seed.jpg", "seed.png", "seed.gif", "seed.bmp", "seed_rle.bmp",
         "seed_progressive.jpg", "seed_interlaced.png"]
for name in seeds:
    data = seed(name)
    stem, ext = os.path.splitext(name)
    put(f"empty{ext}", b"")
    put(f"{stem}_magic_only{ext}", data[:4])
    for fraction in (0.05, 0.25, 0.5, 0.75, 0.95, 0.99):
        put(f"{stem}_truncated_{int(fraction * 100)}{ext}", data[: int(len(data) * fraction)])
    for i in range(8):
        damaged = bytearray(data)
        for _ in range(1 + i * 4):
            position = random.randrange(len(damaged))
            damaged[position] = random.randrange(256)
        put(f"{stem}_flipped_{i}{ext}", bytes(damaged))
    put(f"{stem}_garbage_tail{ext}", data + os.urandom(4096))
    put(f"{stem}_zeroed_body{ext}", data[:64] + bytes(len(data) - 64))

# Wrong magic: the content of one format under another's name, and text and noise.
put("jpeg_named.png", seed("seed.jpg"))
put("png_named.bmp", seed("seed.png"))
put("text.jpg", b"this is not a picture\n" * 20)
put("noise.gif", os.urandom(3000))
put("almost_png.png", b"\x89PNX" + seed("seed.png")[4:])
put("almost_bmp.bmp", b"BN" + seed("seed.bmp")[2:])

# BMP headers: huge, negative and zero sizes, absurd offsets and depths.
bmp = bytearray(seed("seed.bmp"))
def bmp_variant(name, offset, fmt, value):
    data = bytearray(bmp)
    struct.pack_into(fmt, data, offset, value)
    put(name, bytes(data))
bmp_variant("bmp_width_huge.bmp", 18, "<i", 1000000)
bmp_variant("bmp_height_huge.bmp", 22, "<i", 1000000)
bmp_variant("bmp_both_huge.bmp", 18, "<q", (60000 << 32) | 60000)
bmp_variant("bmp_width_negative.bmp", 18, "<i", -64)
bmp_variant("bmp_height_min.bmp", 22, "<i", -2**31)
bmp_variant("bmp_width_zero.bmp", 18, "<i", 0)
bmp_variant("bmp_offset_past_end.bmp", 10, "<I", 0x7FFFFFF0)
bmp_variant("bmp_depth_7.bmp", 28, "<H", 7)
bmp_variant("bmp_depth_64.bmp", 28, "<H", 64)
bmp_variant("bmp_header_size_huge.bmp", 14, "<I", 0xFFFFFF00)
bmp_variant("bmp_colours_used_huge.bmp", 46, "<I", 0x40000000)

# RLE8 streams that run past the row, past the picture, or jump outside it.
def rle8(name, width, height, stream, colours=256):
    palette = b"".join(struct.pack("<BBBB", i, 255 - i, i // 2, 0) for i in range(colours))
    header_size = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(stream), 2835, 2835,
                       colours, 0)
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(stream), 0, 0, header_size)
    put(name, file_header + info + palette + stream)
rle8("rle_run_past_row.bmp", 4, 4, b"\xff\x01" * 4 + b"\x00\x01")
rle8("rle_run_past_picture.bmp", 4, 2, b"\xff\x02" * 40 + b"\x00\x01")
rle8("rle_absolute_past_row.bmp", 4, 4, b"\x00\xfe" + bytes(range(254)) + b"\x00\x01")
rle8("rle_delta_outside.bmp", 4, 4, b"\x00\x02\xff\xff\x02\x03\x00\x01")
rle8("rle_no_end.bmp", 8, 8, b"\x04\x05")
rle8("rle_only_line_ends.bmp", 8, 8, b"\x00\x00" * 5000)
rle8("rle_huge_width.bmp", 2**30, 1, b"\xff\x01\x00\x01")
rle8("rle_index_past_palette.bmp", 4, 4, b"\x04\xf0" * 4 + b"\x00\x01", colours=2)

# PNG with an absurd size in IHDR (CRC kept valid), and a bad CRC.
png = seed("seed.png")
def png_with_ihdr(name, width, height, depth=8, colour=2):
    body = b"IHDR" + struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    chunk = struct.pack(">I", 13) + body + struct.pack(">I", zlib.crc32(body))
    put(name, png[:8] + chunk + png[33:])
png_with_ihdr("png_width_huge.png", 0x7FFFFFFF, 48)
png_with_ihdr("png_both_huge.png", 100000, 100000)
png_with_ihdr("png_width_zero.png", 0, 48)
png_with_ihdr("png_depth_bad.png", 64, 48, depth=3)
png_with_ihdr("png_colour_bad.png", 64, 48, colour=5)
bad_crc = bytearray(png)
bad_crc[29] ^= 0xFF
put("png_bad_crc.png", bytes(bad_crc))

# GIF: huge logical screen with a small image, and an image larger than its screen.
gif = bytearray(seed("seed.gif"))
def gif_variant(name, offset, value):
    data = bytearray(gif)
    struct.pack_into("<H", data, offset, value)
    put(name, bytes(data))
gif_variant("gif_screen_huge.gif", 6, 65535)
gif_variant("gif_screen_zero.gif", 6, 0)
image_start = bytes(gif).find(b"\x2c")
if image_start > 0:
    gif_variant("gif_image_wider_than_screen.gif", image_start + 5, 65535)
    gif_variant("gif_image_at_far_corner.gif", image_start + 1, 65000)
put("gif_lzw_garbage.gif", bytes(gif[:image_start + 10]) + b"\x08" + os.urandom(2000) + b"\x3b")

# JPEG: SOF with huge and zero sizes.
jpeg = bytearray(seed("seed.jpg"))
sof = next((i for i in range(len(jpeg) - 1) if jpeg[i] == 0xFF and jpeg[i + 1] in (0xC0, 0xC2)), -1)
def jpeg_size(name, width, height):
    data = bytearray(jpeg)
    struct.pack_into(">HH", data, sof + 5, height, width)
    put(name, bytes(data))
jpeg_size("jpeg_size_huge.jpg", 65500, 65500)
jpeg_size("jpeg_size_zero.jpg", 0, 0)
jpeg_size("jpeg_height_huge.jpg", 64, 65500)
PYTHON

# The public conformance pictures, each under a name that says where it came from.
testdata=$root/tests/data/conformance
if [ -d "$testdata" ]; then
  while IFS= read -r -d '' file; do
    relative=${file#"$testdata"/}
    cp "$file" "$files/suite_${relative//\//_}"
  done < <(find "$testdata" -type f \( -name '*.bmp' -o -name '*.png' -o -name '*.gif' -o -name '*.jpg' \) -print0)
fi

# --- The sweep.
sanitized=false
if nm "$program" 2>/dev/null | grep __asan_init >/dev/null; then sanitized=true; fi
export ASAN_OPTIONS=exitcode=99:hard_rss_limit_mb=$((memoryKiB / 1024)):allocator_may_return_null=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:exitcode=99:print_stacktrace=1
settings=(
  ""
  "--set DIB_TYPE=3 --set RESIZE_TYPE=2 --set ANGLE_VAL=30"
)
printf '#FORMAT VIMBO_TRASTEL_200 (*.inf,*.INF)\n#END\n' >"$work/sweep.inf"
declare -A counts=([converted]=0 [refused]=0 [crashed]=0 [hung]=0)
problems=()
for file in "$files"/*; do
  for set in "${settings[@]}"; do
    rm -rf "$work/out" && mkdir "$work/out"
    status=0
    # shellcheck disable=SC2086
    (
      $sanitized || ulimit -v "$memoryKiB"
      exec timeout -k 5 "$seconds" "$program" --settings "$work/sweep.inf" --out "$work/out" $set "$file"
    ) >/dev/null 2>"$work/err.txt" || status=$?
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
      outcome=hung
    elif [ "$status" -eq 0 ]; then
      outcome=converted
    elif [ "$status" -eq 1 ] && [ -s "$work/err.txt" ] && ! grep -q -e 'Sanitizer' -e 'runtime error' "$work/err.txt"; then
      outcome=refused
    else
      outcome=crashed
    fi
    counts[$outcome]=$((counts[$outcome] + 1))
    if [ "$outcome" = crashed ] || [ "$outcome" = hung ]; then
      problems+=("$outcome (status $status) $(basename "$file") ${set:-default}: $(grep -m1 -e ERROR -e 'runtime error' -e . "$work/err.txt" || true)")
    fi
  done
done

echo "trastel-batch reliability sweep: $(ls "$files" | wc -l) files x ${#settings[@]} settings" \
  "($($sanitized && echo 'sanitizer build' || echo "ulimit -v ${memoryKiB} KiB"), timeout ${seconds}s)"
for outcome in converted refused crashed hung; do printf '  %-10s %d\n' "$outcome" "${counts[$outcome]}"; done
for problem in "${problems[@]}"; do echo "  $problem"; done
[ "${counts[crashed]}" -eq 0 ] && [ "${counts[hung]}" -eq 0 ]
