#!/usr/bin/env bash
# The Debian package as a user meets it: built by scripts/package, checked by lintian,
# appstreamcli and desktop-file-validate, installed with apt-get, started from /usr/bin on a
# virtual display by an ordinary user (whose settings must land in ~/.config/trastel, since
# /usr/lib/trastel cannot be written), used to convert the samples, and removed again.
# Run through scripts/with-display; needs root or sudo for apt-get.
#   tests/packaging/install_deb.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${1:-$root/build}
[ -n "${DISPLAY:-}" ] || { echo "install_deb: run through scripts/with-display" >&2; exit 2; }

fail() { echo "install_deb: $*" >&2; exit 1; }
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

BUILD_DIR=$build_dir "$root/scripts/package" >/dev/null
package=$(ls "$build_dir"/trastel_*.deb)
lintian --fail-on error --tag-display-limit 0 "$package"
appstreamcli validate --no-net --pedantic "$root/packaging/linux/org.trastel.Trastel.metainfo.xml"
desktop-file-validate "$root/packaging/linux/org.trastel.Trastel.desktop"

work=$(mktemp -d)
installed=
cleanup() {
  if [ -n "$installed" ]; then
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y trastel >/dev/null
  fi
  [ -n "${program:-}" ] && kill "$program" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

cp "$package" "$work/"
chmod 0755 "$work"
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "$work/$(basename "$package")" \
  >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get install failed"; }
installed=1
for path in /usr/bin/trastel /usr/bin/trastel-batch /usr/lib/trastel/Data/Help/Html/HTop.html \
            /usr/lib/trastel/libheif.so.1 /usr/share/doc/trastel/source/libheif-1.23.1.tar.gz \
            /usr/lib/trastel/libjxl.so.0.12 /usr/lib/trastel/libjxl_cms.so.0.12 \
            /usr/share/doc/trastel/source/libjxl-0.12.0.tar.gz /usr/share/doc/trastel/libjxl-PATENTS \
            /usr/share/applications/org.trastel.Trastel.desktop /usr/share/doc/trastel/copyright \
            /usr/share/icons/hicolor/48x48/apps/trastel.png; do
  [ -e "$path" ] || fail "$path is not installed"
done

# An ordinary user: the one running the test, or (for root, who may write anywhere) nobody.
home=$work/home
mkdir -p "$home/Pictures"
as_user=(env -u XDG_CONFIG_HOME HOME="$home")
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups "${as_user[@]}")
fi
settings=$home/.config/trastel/Confing.inf
cp -r "$root/samples" "$work/samples"
chmod -R a+rwX "$work/samples"

# The first start, as the menu's "open with" starts it: the message naming the new settings
# file, then the window with the picture in its list (whose trial conversion goes beside the
# settings).
"${as_user[@]}" /usr/bin/trastel "$work/samples/leaf.png" >"$work/trastel.log" 2>&1 &
program=$!
wait_for_window() {
  for _ in $(seq 300); do
    for id in $(xdotool search --onlyvisible --pid "$program" 2>/dev/null); do
      if xprop -id "$id" _NET_WM_NAME 2>/dev/null | grep -q "$1"; then echo "$id"; return; fi
    done
    kill -0 "$program" 2>/dev/null || { cat "$work/trastel.log" >&2; fail "trastel ended"; }
    sleep 0.2
  done
  fail "no window \"$1\""
}
message=$(wait_for_window "メッセージボックス")
[ -f "$settings" ] || fail "no settings file in $settings"
mkdir -p "$build_dir/artifacts"
/usr/bin/import -window root "$build_dir/artifacts/installed-first-start.png"
xdotool windowactivate --sync "$message" key Return
window=$(wait_for_window "ヴィンボトラステル２ Ver 2.00")
echo "install_deb: the window appeared; settings in $settings"
# The program folder cannot take the pictures either: they go to the user's pictures folder.
grep -q "^$home/Pictures/"$'\r'"\$" "$settings" || fail "the output folder is not ~/Pictures"
trial=$home/.config/trastel/__Temp/__Temp__file__vimbo_trastel2__.tpf
# The trial is measured in the background once the window is up; a loaded machine may take long.
for _ in $(seq 1200); do /usr/bin/identify "$trial" >/dev/null 2>&1 && break; sleep 0.1; done
/usr/bin/identify "$trial" >/dev/null 2>&1 ||
  fail "the picture given to trastel was not converted into $trial"
[ ! -e /usr/lib/trastel/Data/Confing.inf ] || fail "settings written into /usr/lib/trastel"
xdotool windowactivate --sync "$window" key alt+F4
status=0
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
wait "$program" || status=$?
program=
[ "$status" -eq 0 ] || fail "trastel ended with status $status"

# trastel-batch from /usr/bin, with the same settings.
"${as_user[@]}" /usr/bin/trastel-batch --help | grep -q "$settings" ||
  fail "trastel-batch --help does not name $settings"
"${as_user[@]}" /usr/bin/trastel-batch --out "$work/samples/out" --set DIB_TYPE=2 "$work/samples" \
  2>"$work/batch.log" || { cat "$work/batch.log" >&2; fail "trastel-batch failed"; }
# The presets that come with the program are made in the user's folder, never in the program's.
"${as_user[@]}" /usr/bin/trastel-batch --list-presets | grep -qx "Web用" &&
  [ ! -e /usr/lib/trastel/Data/Presets ] ||
  fail "the shipped presets are not in the user's folder"
# Run by an administrator, who could write into /usr/lib/trastel, an installed program still keeps
# its settings in the user's folder.
admin_home=$work/admin
"${sudo_cmd[@]}" env -u XDG_CONFIG_HOME HOME="$admin_home" /usr/bin/trastel-batch --save \
  --set JPG_TYPE=10 --out "$work/admin-out" "$work/samples" >/dev/null 2>"$work/admin.log" ||
  { cat "$work/admin.log" >&2; fail "trastel-batch --save failed for an administrator"; }
[ -f "$admin_home/.config/trastel/Confing.inf" ] && [ ! -e /usr/lib/trastel/Data/Confing.inf ] ||
  fail "an administrator's settings were not kept in the user's folder"
count=0
for file in "$work/samples/out"/*; do
  [ "$(/usr/bin/identify -format %m "$file")" = PNG ] || fail "$file is not a PNG"
  count=$((count + 1))
done
[ "$count" -eq "$(ls "$root/samples" | wc -l)" ] || fail "$count pictures converted"
echo "install_deb: trastel-batch converted $count samples"

# The package's own libheif, beside the programs, reads what Debian 12's cannot: a photo whose
# gain map belongs to two pictures, as iPhones write them since iOS 18.
for binary in trastel trastel-batch; do
  ldd "/usr/lib/trastel/$binary" | grep "libheif.so.1 => /usr/lib/trastel/libheif.so.1 " >/dev/null ||
    fail "$binary does not load the libheif beside it"
  # libjxl too, and its colour library beside it (Debian 12's libjxl 0.7 has other names).
  for library in libjxl.so.0.12 libjxl_cms.so.0.12; do
    ldd "/usr/lib/trastel/$binary" | grep "$library => /usr/lib/trastel/$library " >/dev/null ||
      fail "$binary does not load the $library beside it"
  done
done
cp "$root/fuzz/seeds/gain_map_of_two_pictures.heic" "$work/samples/"
"${as_user[@]}" /usr/bin/trastel-batch --out "$work/samples/heic" --set DIB_TYPE=1 \
  "$work/samples/gain_map_of_two_pictures.heic" 2>"$work/batch.log" ||
  { cat "$work/batch.log" >&2; fail "trastel-batch did not convert an iOS 18 HEIC"; }
[ "$(/usr/bin/identify -format %wx%h "$work/samples/heic/gain_map_of_two_pictures.jpg")" = 20x40 ] ||
  fail "the iOS 18 HEIC was not converted upright"

"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y trastel >/dev/null
installed=
[ ! -e /usr/bin/trastel ] && [ ! -e /usr/lib/trastel ] || fail "files left after removal"
echo "install_deb: installed, used and removed"
