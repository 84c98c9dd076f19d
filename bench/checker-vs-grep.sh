#!/usr/bin/env bash
# verzino-controlla beside grep -P doing a like job on the same 100 MiB text, four texts in turn,
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
controlla=$build/cli/verzino-controlla
table=$root/examples/italiano.tbl

# time_run NAME COMMAND...: appends "wall cpu" of one run to $work/NAME.times.
time_run() {
    local name=$1
    shift
    /usr/bin/time -f '%e %U %S' -o "$work/one" "$@" || true
    tail -n 1 "$work/one" | awk '{ printf "%s %.3f\n", $1, $2 + $3 }' >>"$work/$name.times"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { paste -d' ' "$work/checker.times" "$work/grep.times" | awk "{ print \$$1 / \$$2 }" | median; }

# compare TITLE TEXT LIMIT GREP_ARGUMENTS... -- [MARKUP...]: writes bench_checker's TEXT, checks
# that the checker reports the problems the text was written with, then times the two tools.
compare() {
    local title=$1 text=$2 limit=$3 written expected share
    shift 3
    local grep_args=()
    while [ "$1" != -- ]; do
        grep_args+=("$1")
        shift
    done
    shift
    written=$("$build/bench/bench_checker" --write-text "$text" "$work/testo.txt" "$work/classe.txt")
    read -r expected share <<<"$written"
    # The commands' own arguments are expanded by the inner shell.
    # shellcheck disable=SC2016
    local checker=(sh -c 'out=$1 && shift && exec "$@" >"$out" 2>/dev/null' sh "$work/checker.out"
        "$controlla" --limite "$limit" --tabella "$table" "$@" "$work/testo.txt")
    # shellcheck disable=SC2016
    local grepper=(sh -c 'out=$1 && shift && LC_ALL=C.UTF-8 exec grep "$@" >"$out"' sh
        "$work/grep.out" "${grep_args[@]}" "$work/testo.txt")

    "${checker[@]}" || true
    "${grepper[@]}"
    local reported lines
    reported=$(wc -l <"$work/checker.out")
    [ "$reported" -eq "$expected" ] || {
        echo "$title: the checker reported $reported problems, the text holds $expected" >&2
        exit 1
    }
    grep 'carattere non in tabella' "$work/checker.out" | cut -d: -f2 | sort -un >"$work/lines"
    lines=$(wc -l <"$work/lines")
    # On a script grep finds the control codes, which the checker takes out without a word: only
    # the timing compares there.
    if [ "$text" != script ] && ! cut -d: -f1 "$work/grep.out" | cmp -s - "$work/lines"; then
        echo "$title: the checker and grep disagree on the lines" >&2
        exit 1
    fi
    rm -f "$work/checker.times" "$work/grep.times"
    for _ in $(seq "$runs"); do
        time_run checker "${checker[@]}"
        time_run grep "${grepper[@]}"
    done

    echo "$title: $share of the characters non-ASCII; $reported problems, refused characters on" \
        "$lines lines; grep wrote $(wc -l <"$work/grep.out") lines; $runs runs each"
    for name in checker grep; do
        printf '  %-8s wall %.3f s  cpu %.3f s\n' "$name" \
            "$(cut -d' ' -f1 "$work/$name.times" | median)" "$(cut -d' ' -f2 "$work/$name.times" | median)"
    done
    printf '  checker/grep, median of pairs: wall %.3f  cpu %.3f\n' "$(ratio 1 3)" "$(ratio 2 4)"
}

class=$work/classe.txt
compare "1. English prose (aim: 0.5 or less)" english 60 -nP -f "$class" --
compare "2. Italian prose (aim: 0.5 or less)" italian 60 -nP -f "$class" --
compare "3. Dense accents (aim: 0.5 or less)" accents 60 -nP -f "$class" --
compare "4. Atlas script (aim: 1.0 or less)" script 28 -noP '<\$[0-9A-F]{2}>|<end>|<line>' -- \
    --originale // --salta-righe '#' --codice '<\$[0-9A-F]{2}>' --fine-box '<end>' \
    --a-capo '<line>' --righe-per-box 2
