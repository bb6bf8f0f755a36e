#!/usr/bin/env bash
# Opens both preview pages from disk in headless Chromium, beside two temporary pictures as the
# program leaves them, and checks that each page found and measured both pictures. Screenshots
# are kept in the folder given as the first argument (default: a temporary one) for a look.
# Fails when Chromium is not installed (scripts/setup installs it).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "FAILED: chromium is not installed (run scripts/setup)"; exit 1; }
shots=${1:-$(mktemp -d)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Data/__Temp" "$shots"
cp -r "$root/data/Preview" "$work/Data/"
/usr/bin/convert -size 320x200 -seed 3 plasma:fractal \
  "JPEG:$work/Data/__Temp/__Temp__file__vimbo_trastel1__.tpf"
/usr/bin/convert -size 160x100 -seed 3 plasma:fractal -colorspace gray \
  "GIF:$work/Data/__Temp/__Temp__file__vimbo_trastel2__.tpf"

run() {  # page query -> the page's DOM after its scripts ran; a screenshot beside
  local page=$1 query=$2 name=$3
  local url="file://$work/Data/Preview/$page/HTop.html$query"
  "$browser" --headless --no-sandbox --disable-gpu --window-size=1000,600 \
    --screenshot="$shots/$name.png" "$url" >/dev/null 2>&1
  "$browser" --headless --no-sandbox --disable-gpu --virtual-time-budget=3000 \
    --dump-dom "$url" 2>/dev/null
}

failed=0
expect() {  # text what
  if grep -qF "$1" <<<"$dom"; then echo "ok: $2"; else echo "FAILED: $2"; failed=1; fi
}
dom=$(run Normal "" normal)
expect "幅 320 × 高さ 200 ピクセル" "normal page measures the source"
expect "幅 160 × 高さ 100 ピクセル" "normal page measures the result"
dom=$(run Active "?mode=overlay&zoom=2" active)
expect "変換前: 320 × 200　/　変換後: 160 × 100" "active page measures both"
expect 'id="mode-overlay" aria-pressed="true"' "active page switches to the overlay"
rm "$work/Data/__Temp/__Temp__file__vimbo_trastel2__.tpf"
dom=$(run Normal "" normal-missing)
expect "画像がありません" "normal page says when the result is missing"
echo "screenshots: $shots"
exit $failed
