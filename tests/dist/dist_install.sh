#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop expects to find there.
# Usage: dist_install.sh <cmake> <build dir>
set -euo pipefail
cmake=$1 build=$2
id=it.verzino.Verzino
# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

e2e_workdir
e2e_install "$build" "$cmake"

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
hicolor=$prefix/share/icons/hicolor
for f in "$desktop" "$metainfo" "$hicolor/16x16/apps/$id.png" "$hicolor/32x32/apps/$id.png" \
    "$hicolor/scalable/apps/$id.svg"; do
    [ -f "$f" ] || fail "not installed: ${f#"$prefix"/}"
done
[ -x "$prefix/bin/verzino" ] || fail "bin/verzino is not installed as an executable"
[ "$fails" -eq 0 ] || exit 1

# The validators: any error or warning fails the test, notes do not.
if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
    fail "desktop-file-validate: $out"
fi
if ! out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || grep -q '^[EW]:' <<<"$out"; then
    fail "appstreamcli validate: $out"
fi

key() { # group-less lookup of one key of the desktop entry
    sed -n "s/^$1=//p" "$desktop"
}
[ "$(key Name)" = Verzino ] || fail "Name is '$(key Name)'"
[ "$(key 'Name\[it\]')" = Verzino ] || fail "no Italian Name"
[ -n "$(key 'Comment\[it\]')" ] || fail "no Italian Comment"
[ -n "$(key Comment)" ] || fail "no Comment"
exec_line=$(key Exec)
[ -x "$prefix/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not the installed program"
[ "${exec_line#* }" = '%f' ] || fail "Exec=$exec_line does not pass the file"
[ "$(key MimeType)" = 'application/x-verzino-table;' ] || fail "MimeType=$(key MimeType)"
[ "$(key Icon)" = "$id" ] || fail "Icon=$(key Icon) does not name the installed icons"
grep -qx 'Categories=.*Utility;.*' "$desktop" || fail "not in the Utility category"

# The metainfo names the same program, version and language.
grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch the installed desktop entry"
grep -q '<release version="1.00" date="2026-12-07"' "$metainfo" || fail "metainfo release 1.00"
grep -q '<p xml:lang="it">' "$metainfo" || fail "metainfo has no Italian description"
grep -q '<summary xml:lang="it">' "$metainfo" || fail "metainfo has no Italian summary"
grep -q '<binary>verzino</binary>' "$metainfo" || fail "metainfo does not provide bin/verzino"
grep -q '<lang>it</lang>' "$metainfo" || fail "metainfo does not record the Italian language"

# Icons: the right size, at most 16 colours for the bitmaps, and a real SVG.
for size in 16 32; do
    png=$hicolor/${size}x${size}/apps/$id.png
    file -b "$png" | grep "^PNG image data, $size x $size," >/dev/null || fail "$png: $(file -b "$png")"
    colours=$(identify -format '%k' "$png")
    [ "$colours" -le 16 ] || fail "$size px icon has $colours colours"
    [ "$(identify -format '%A' "$png")" != False ] || fail "$size px icon has no transparency"
done
file -b "$hicolor/scalable/apps/$id.svg" | grep '^SVG Scalable Vector Graphics image' >/dev/null ||
    fail "scalable icon is not an SVG"

# The manual page of every program: gzip -9n, and clean for man and lexgrog.
for program in "$prefix"/bin/*; do
    page=$prefix/share/man/man1/${program##*/}.1.gz
    [ -f "$page" ] || { fail "${program##*/} has no manual page"; continue; }
    if ! out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) ||
        [ -n "$out" ]; then
        fail "man --warnings ${page##*/}: $out"
    fi
    lexgrog "$page" >/dev/null || fail "lexgrog cannot read the NAME section of ${page##*/}"
done
zcat "$prefix/share/man/man1/verzino.1.gz" | grep '^\.SH "FORMATO DELLE TABELLE"' >/dev/null ||
    fail "verzino(1) does not describe the table format"

# The licence, as the metainfo and the package's copyright file name it.
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" ||
    fail "metainfo licence"
copyright=$prefix/share/doc/verzino/copyright
[ -f "$copyright" ] || fail "no copyright file"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$copyright" || fail "the copyright file is not machine-readable"
[ "$(sed -n 's/^License: //p' "$copyright" | sort -u)" = GPL-3+ ] ||
    fail "the copyright file names another licence"
cmp -s "$(dirname "$0")/../../LICENSE" /usr/share/common-licenses/GPL-3 ||
    fail "LICENSE is not the GPL version 3"

[ "$fails" -eq 0 ] || exit 1
echo "install into a scratch prefix: desktop entry, metainfo, icons, manual page and licence are valid"
