#!/usr/bin/env bash
# Builds the Debian package from the build and checks its fields, dependencies and files.
# Usage: dist_deb.sh <cpack> <build dir>
set -euo pipefail
cpack=$1 build=$2
id=it.verzino.Verzino
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; exit 1; }
debs=("$out"/*.deb)
if [ "${#debs[@]}" -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAIL: expected one .deb, found: ${debs[*]}"
    exit 1
fi
deb=${debs[0]}
echo "built ${deb##*/}"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = verzino ] || fail "Package: $(field Package)"
[ "$(field Version)" = 1.00 ] || fail "Version: $(field Version)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"

# The file list.
files=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for f in ./usr/bin/verzino "./usr/share/applications/$id.desktop" \
    "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/icons/hicolor/16x16/apps/$id.png" \
    "./usr/share/icons/hicolor/32x32/apps/$id.png" "./usr/share/icons/hicolor/scalable/apps/$id.svg"; do
    grep -qxF "$f" <<<"$files" || fail "package lacks $f"
done
stray=$(grep -vE '^\./(usr/?)?$|^\./usr/(bin|share)(/|$)' <<<"$files" || true)
[ -z "$stray" ] || fail "files outside usr/bin and usr/share: $stray"
if grep -qE '\.(h|a|cmake)$|/include/' <<<"$files"; then
    fail "build files in the package"
fi
root=$out/root
dpkg-deb -x "$deb" "$root"
program=$root/usr/bin/verzino

# Dependencies.
depends=$(field Depends)
echo "Depends: $depends"
mapfile -t names < <(tr ',' '\n' <<<"$depends" | sed -E 's/^ +//; s/[ (].*//' | grep .)
dupes=$(printf '%s\n' "${names[@]}" | sort | uniq -d)
[ -z "$dupes" ] || fail "named twice in Depends: $dupes"
needs=(libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fonts-urw-base35)
# ...and the package of every library the program links directly.
while read -r soname; do
    path=$(ldd "$program" | awk -v so="$soname" '$1 == so {print $3}')
    [ -n "$path" ] || { fail "cannot find $soname"; continue; }
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null ||
        dpkg -S "${path#/usr}" 2>/dev/null || true)
    [ -n "$owner" ] || { fail "no package owns $path"; continue; }
    needs+=("${owner%%:*}")
done < <(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
for need in "${needs[@]}"; do
    printf '%s\n' "${names[@]}" | grep -qxF "$need" || fail "Depends lacks $need"
done
for name in "${names[@]}"; do
    # Nothing from the build: no headers, no tools, no sanitizer runtimes.
    case $name in
    *-dev | *-dev-* | *-dev-tools | cmake | make | g++* | gcc* | clang* | libasan* | libubsan*)
        fail "Depends on a build package: $name" ;;
    esac
    # This machine runs the program, so every package named must be installed here; a name
    # that is not is misspelt or from another release.
    dpkg-query -W -f='${Status}\n' "$name" 2>/dev/null | grep -q 'install ok installed' ||
        fail "Depends names $name, which is not installed here"
done

[ "$fails" -eq 0 ] || exit 1
echo "package fields, dependencies and file list are right"
