#!/usr/bin/env bash
# Builds the Debian package from the build and checks its fields, dependencies and files, the
# hardening and manual page of every program in it, and that lintian finds nothing wrong.
# Usage: dist_deb.sh <cpack> <build dir> <build type>
set -euo pipefail
cpack=$1 build=$2 config=${3:-}
# A package is built optimised, and its fortified calls need the optimisation.
case $config in
Release | RelWithDebInfo | MinSizeRel) ;;
*)
    echo "SKIP: the package's hardening needs an optimised build (Release), not \"${config:-none}\""
    exit 77
    ;;
esac
id=it.verzino.Verzino
# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

e2e_workdir
out=$work
# The build names a placeholder maintainer; a packager names a real one.
grep -q 'set(CPACK_DEBIAN_PACKAGE_MAINTAINER "SEGNAPOSTO' "$build/CPackConfig.cmake" ||
    fail "the default maintainer is not the labelled placeholder"
maintainer="Verzino Test Packager <packager@verzino.example.org>"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" \
    -D CPACK_DEBIAN_PACKAGE_MAINTAINER="$maintainer" >"$out/cpack.log" 2>&1 ||
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
[ "$(field Maintainer)" = "$maintainer" ] || fail "Maintainer: $(field Maintainer)"
[ "$(field Recommends)" = qt6-wayland ] || fail "Recommends: $(field Recommends)"
[ -n "$(field Description)" ] || fail "no Description"

# The file list.
files=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for f in ./usr/bin/verzino "./usr/share/applications/$id.desktop" \
    "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/icons/hicolor/16x16/apps/$id.png" \
    "./usr/share/icons/hicolor/32x32/apps/$id.png" "./usr/share/icons/hicolor/scalable/apps/$id.svg" \
    ./usr/share/doc/verzino/copyright ./usr/share/doc/verzino/changelog.gz \
    ./usr/share/mime/packages/verzino.xml; do
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
    printf '%s\n' "${names[@]}" | grep -xF "$need" >/dev/null || fail "Depends lacks $need"
done
for name in "${names[@]}"; do
    # Nothing from the build: no headers, no tools, no sanitizer runtimes.
    case $name in
    *-dev | *-dev-* | *-dev-tools | cmake | make | g++* | gcc* | clang* | libasan* | libubsan*)
        fail "Depends on a build package: $name" ;;
    esac
    # This machine runs the program, so every package named must be installed here; a name
    # that is not is misspelt or from another release.
    dpkg-query -W -f='${Status}\n' "$name" 2>/dev/null | grep 'install ok installed' >/dev/null ||
        fail "Depends names $name, which is not installed here"
done

# Every program: a manual page, and the hardening a Debian package gets.
mapfile -t programs < <(grep -E '^\./usr/bin/[^/]+$' <<<"$files")
[ "${#programs[@]}" -gt 0 ] || fail "no programs in usr/bin"
for entry in "${programs[@]}"; do
    name=${entry##*/}
    binary=$root/usr/bin/$name
    grep -qxF "./usr/share/man/man1/$name.1.gz" <<<"$files" || fail "$name has no manual page"
    readelf -h "$binary" | grep 'Type: *DYN' >/dev/null || fail "$name is not a PIE"
    readelf -lW "$binary" | grep GNU_RELRO >/dev/null || fail "$name has no RELRO segment"
    readelf -dW "$binary" | grep -Eq 'BIND_NOW|FLAGS_1.*NOW' || fail "$name is not bound now"
    symbols=$(readelf --dyn-syms -W "$binary" | awk '$7 == "UND" {print $8}' | sed 's/@.*//')
    grep -qx '__stack_chk_fail' <<<"$symbols" || fail "$name has no stack protector"
    echo "$name: PIE, RELRO, BIND_NOW, stack protector, manual page"
done
# Fortify shows in the binary only where a buffer's size is known when compiling, so the
# compile commands say it: every source of the programs built optimised with it.
unfortified=$(python3 - "$build/compile_commands.json" <<'PY'
import json, re, sys
for entry in json.load(open(sys.argv[1])):
    if re.search(r"/(tests|bench|fuzz)/|_autogen/", entry["file"]):
        continue
    command = entry["command"]
    if "-D_FORTIFY_SOURCE=2" not in command or not re.search(r" -O[123s]\b", command):
        print(entry["file"])
PY
)
[ -z "$unfortified" ] || fail "built without -D_FORTIFY_SOURCE=2 and optimisation: $unfortified"
for page in "$root"/usr/share/man/man*/*.gz; do
    gzip -t "$page" || fail "${page#"$root"} is not gzip"
    # gzip -9n: no name, no time stamp.
    [ "$(od -An -tu4 -j4 -N4 "$page" | tr -d ' ')" = 0 ] || fail "${page#"$root"} has a time stamp"
done
[ "$(zcat "$root/usr/share/doc/verzino/changelog.gz" | sed -n 's/^ -- \(.*>\)  .*/\1/p')" = \
    "$maintainer" ] || fail "the changelog is not signed by the package's maintainer"
cmp -s "$root/usr/share/doc/verzino/copyright" "$(dirname "$0")/../../dist/copyright" ||
    fail "the package's copyright file is not dist/copyright"

# lintian: any error or warning fails; informational and pedantic tags are shown.
if command -v lintian >/dev/null; then
    lintian --pedantic --display-info --tag-display-limit 0 "$deb" >"$out/lintian.log" 2>&1 || true
    echo "lintian --pedantic:"
    sed 's/^/  /' "$out/lintian.log"
    if grep -Eq '^[EW]: ' "$out/lintian.log"; then
        fail "lintian reports errors or warnings"
    fi
else
    fail "lintian is not installed"
fi

[ "$fails" -eq 0 ] || exit 1
echo "package fields, dependencies, file list, hardening and lintian are right"
