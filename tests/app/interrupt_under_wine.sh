#!/usr/bin/env bash
# Interrupts trastel-batch.exe under Wine with Ctrl+C on its console (a terminal made by
# `script`, through which Wine turns SIGINT into the console's Ctrl+C event) while it converts,
# and checks that the run ends with a failing status, leaves no temporary file and that every
# output it finished is a whole picture. Six workers, so that files are being created while
# the process ends.
#   interrupt_under_wine.sh <wine> <trastel-batch.exe> <work folder>
set -euo pipefail
wine=$1 program=$2 work=$3
rm -rf "$work"
mkdir -p "$work/in"
/usr/bin/convert -size 3000x2000 plasma:fractal "$work/in/p00.jpg"
for i in $(seq -w 1 39); do cp "$work/in/p00.jpg" "$work/in/p$i.jpg"; done

script -qfec "'$wine' '$program' --out 'Z:$work/out' --jobs 6 --set DIB_TYPE=2 'Z:$work/in'" \
  "$work/console.log" >/dev/null 2>&1 &
runner=$!
# The Windows process shows under its own name once Wine has started it.
for _ in $(seq 600); do
  [ -n "$(ls "$work/out" 2>/dev/null)" ] && break
  sleep 0.05
done
pkill -INT -f "^[^ ]*trastel-batch.exe --out Z:$work/out" ||
  { echo "interrupt_under_wine: the run ended before it could be interrupted" >&2; exit 1; }
status=0
wait "$runner" || status=$?
if [ "$status" -eq 0 ]; then
  echo "interrupt_under_wine: the interrupted run ended with status 0" >&2
  exit 1
fi
if ls -A "$work/out" | grep -v '\.png$'; then
  echo "interrupt_under_wine: files other than finished outputs are left" >&2
  exit 1
fi
for file in "$work/out"/*.png; do
  [ -e "$file" ] || continue
  /usr/bin/identify "$file" >/dev/null
done
echo "interrupt_under_wine: interrupted with status $status after $(ls "$work/out" | wc -l) of 40 outputs; nothing partial left"
rm -rf "$work"
