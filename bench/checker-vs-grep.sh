#!/usr/bin/env bash
# verzino-controlla beside grep -nP looking for the same characters in the same 100 MiB text,
# both writing their report to a file. Whole processes, run in turn (checker, grep, checker, ...)
# after one untimed run each, timed with /usr/bin/time; prints the medians and the median of the
# pairs' ratios, checker over grep.
# Usage: bench/checker-vs-grep.sh BUILD_DIR [RUNS]   (BUILD_DIR: a Release build with the benchmarks)
set -euo pipefail
build=${1:?usage: checker-vs-grep.sh BUILD_DIR [RUNS]}
runs=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The benchmark's own text, and the class of every character the table refuses.
"$build/bench/bench_checker" --write-text "$work/testo.txt" "$work/classe.txt"

controlla=$build/cli/verzino-controlla
table=$root/examples/italiano.tbl
# The commands' own arguments are expanded by the inner shell.
# shellcheck disable=SC2016
checker=(sh -c 'exec "$0" --limite 60 --tabella "$1" "$2" >"$3" 2>/dev/null' "$controlla" "$table"
    "$work/testo.txt" "$work/checker.out")
# shellcheck disable=SC2016
grepper=(sh -c 'LC_ALL=C.UTF-8 exec grep -nP -f "$0" "$1" >"$2"' "$work/classe.txt"
    "$work/testo.txt" "$work/grep.out")
# time_run NAME COMMAND...: appends "wall cpu" of one run to $work/NAME.times.
time_run() {
    local name=$1
    shift
    /usr/bin/time -f '%e %U %S' -o "$work/one" "$@" || true
    tail -n 1 "$work/one" | awk '{ printf "%s %.3f\n", $1, $2 + $3 }' >>"$work/$name.times"
}

"${checker[@]}" || true
"${grepper[@]}"
# Both must have found the same lines.
reported=$(grep -c 'carattere non in tabella' "$work/checker.out" || true)
lines=$(grep 'carattere non in tabella' "$work/checker.out" | cut -d: -f2 | sort -u | wc -l)
[ "$lines" -eq "$(wc -l <"$work/grep.out")" ] || {
    echo "the checker and grep disagree on the lines" >&2
    exit 1
}
for _ in $(seq "$runs"); do
    time_run checker "${checker[@]}"
    time_run grep "${grepper[@]}"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "$runs runs each; $reported characters reported, on $lines lines"
for name in checker grep; do
    printf '%-8s wall %.3f s  cpu %.3f s\n' "$name" \
        "$(cut -d' ' -f1 "$work/$name.times" | median)" "$(cut -d' ' -f2 "$work/$name.times" | median)"
done
printf 'checker/grep, median of pairs: wall %.3f  cpu %.3f\n' \
    "$(paste -d' ' "$work/checker.times" "$work/grep.times" | awk '{ print $1 / $3 }' | median)" \
    "$(paste -d' ' "$work/checker.times" "$work/grep.times" | awk '{ print $2 / $4 }' | median)"
