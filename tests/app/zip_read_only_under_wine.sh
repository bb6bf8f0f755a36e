#!/usr/bin/env bash
# The zip as a user meets it in a folder that cannot be written (as under C:\Program Files):
# unpacked into a read-only folder, trastel-batch.exe converts the samples and trastel.exe shows
# its window, both keeping their settings in %APPDATA%\Trastel. Root writes into read-only
# folders, so for root the folder is a read-only bind mount in a mount namespace of its own,
# with a Wine server started inside it (the server is what opens the files).
#   zip_read_only_under_wine.sh <wine> <trastel-win64.zip> <work folder>
# Needs WINEPREFIX and a display (scripts/test-windows gives both).
set -euo pipefail
wine=$1 zip=$2 work=$3
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "zip_read_only_under_wine: $*" >&2; exit 1; }

if [ -z "${TRASTEL_READ_ONLY_READY:-}" ]; then
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  rm -rf "$work"
  mkdir -p "$work/program"
  (cd "$work/program" && unzip -q "$zip")
  if [ "$(id -u)" -eq 0 ]; then
    exec env TRASTEL_READ_ONLY_READY=namespace unshare --mount --propagation private "$0" "$@"
  fi
  chmod -R a-w "$work/program"
  trap 'chmod -R u+w "$work/program"' EXIT
  export TRASTEL_READ_ONLY_READY=permissions
fi
if [ "$TRASTEL_READ_ONLY_READY" = namespace ]; then
  mount --bind "$work/program" "$work/program"
  mount -o remount,bind,ro "$work/program"
  trap '"$wineserver" -k 2>/dev/null || true' EXIT
fi
program=$work/program/trastel
! touch "$program/Data/probe" 2>/dev/null || fail "the program folder can still be written"
[ -f "$program/LICENSE" ] || fail "the zip holds no LICENSE"

appdata=$("$wine" cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
user_folder=$("$wine" winepath -u "$appdata\\Trastel" 2>/dev/null | tr -d '\r')
user_folder=${user_folder%/}
rm -rf "$user_folder"

"$wine" "$program/trastel-batch.exe" --help >"$work/help.txt" 2>&1
grep -qF "Trastel/Confing.inf" "$work/help.txt" || fail "--help does not name %APPDATA%\\Trastel"
"$wine" "$program/trastel-batch.exe" --out "Z:$work/out" --set DIB_TYPE=1 "Z:$root/samples" \
  2>"$work/batch.log" || { cat "$work/batch.log" >&2; fail "trastel-batch.exe failed"; }
grep -q "下記の場所に設定ファイルを作成しました。" "$work/batch.log" ||
  fail "no first-start message: $(cat "$work/batch.log")"
[ -f "$user_folder/Confing.inf" ] || fail "no settings in $user_folder"
grep -q "^C:/users/[^/]*/Pictures/"$'\r'"\$" "$user_folder/Confing.inf" ||
  fail "the output folder is not the Pictures folder"
[ "$(ls "$work/out" | wc -l)" -eq "$(ls "$root/samples" | wc -l)" ] || fail "not every sample converted"
for file in "$work/out"/*; do
  [ "$(/usr/bin/identify -format %m "$file")" = JPEG ] || fail "$file is not a JPEG"
done

# The window, with the settings stored above: no message, the window itself.
"$wine" "$program/trastel.exe" >"$work/trastel.log" 2>&1 &
runner=$!
window=
for _ in $(seq 300); do
  for id in $(xdotool search --onlyvisible --classname trastel.exe 2>/dev/null); do
    if xprop -id "$id" _NET_WM_NAME 2>/dev/null | grep -q "Ver 2.00"; then window=$id; fi
  done
  [ -n "$window" ] && break
  kill -0 "$runner" 2>/dev/null || fail "trastel.exe ended: $(cat "$work/trastel.log")"
  sleep 0.2
done
[ -n "$window" ] || { kill "$runner"; fail "trastel.exe showed no window"; }
[ -d "$user_folder/__Temp" ] || fail "no __Temp in $user_folder"
# Wine can drop a key that arrives while it is still taking the focus: alt+F4 is sent again
# until the program has ended.
for _ in $(seq 60); do
  kill -0 "$runner" 2>/dev/null || break
  timeout 10 xdotool windowactivate --sync "$window" key alt+F4 2>/dev/null || true
  for _ in $(seq 25); do kill -0 "$runner" 2>/dev/null || break; sleep 0.2; done
done
! kill -0 "$runner" 2>/dev/null || { kill "$runner"; fail "trastel.exe did not close on alt+F4"; }
status=0
wait "$runner" || status=$?
[ "$status" -eq 0 ] || fail "trastel.exe ended with status $status"
echo "zip_read_only_under_wine: both programs ran from a read-only folder, settings in $user_folder"
