#!/usr/bin/env bash
# The zip's promise that its programs can be built again from it, with changed libraries: in a
# fresh folder, the zip's source/ alone (the program's tarball and the libraries' archives) is
# built as its read-me says, with neither the checkout nor git within reach, and the rebuilt
# trastel-batch.exe converts the samples under Wine. The rebuilt zip's source lists the same
# files as the one it came from.
# The codec libraries come from the cache when the zip's archives are those built before. That
# is no shortcut: the cache's key is the archives' checksums (checked against the zip's own
# files first), the version table and the build rules, so a hit is what these sources build.
#   relink_from_zip.sh <wine> <trastel-win64.zip>
# Needs WINEPREFIX (scripts/test-windows gives it).
set -euo pipefail
wine=$1 zip=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "relink_from_zip: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
unzip -q "$zip"
[ "$(head -c3 trastel/読んでね.txt)" = $'\xef\xbb\xbf' ] ||
  fail "読んでね.txt has no byte order mark"
tar xzf trastel/source/trastel-source.tar.gz
mkdir -p trastel-source/third_party/sources
cp trastel/source/libraries/* trastel-source/third_party/sources/

# git as if not installed, and the checkout hidden under an empty folder in a mount namespace of
# the build's own.
mkdir guard
printf '#!/bin/sh\necho "git $*: not installed" >&2\nexit 127\n' >guard/git
chmod +x guard/git
PATH=$work/guard:$PATH unshare --map-root-user --mount --propagation private bash -c \
  'mount -t tmpfs none "$1" && env -u BUILD_DIR trastel-source/scripts/build-windows --programs' \
  _ "$root" || fail "the build from the zip's source failed"

rebuilt=$work/trastel-source/build-windows
diff <(tar tzf trastel/source/trastel-source.tar.gz | sort) \
  <(unzip -p "$rebuilt/trastel-win64.zip" trastel/source/trastel-source.tar.gz | tar tz | sort) ||
  fail "the rebuilt zip's source lists other files"
"$wine" "$rebuilt/bin/trastel-batch.exe" --out "Z:$work/out" --set DIB_TYPE=2 \
  "Z:$work/trastel-source/samples" 2>"$work/batch.log" ||
  fail "the rebuilt trastel-batch.exe failed: $(cat "$work/batch.log")"
[ "$(ls out | wc -l)" -eq "$(ls trastel-source/samples | wc -l)" ] ||
  fail "not every sample converted"
for file in out/*; do
  [ "$(/usr/bin/identify -format %m "$file")" = PNG ] || fail "$file is not a PNG"
done
echo "relink_from_zip: the programs rebuilt from the zip alone convert the samples"
