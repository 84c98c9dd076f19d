#!/usr/bin/env bash
# verzino-controlla as installed: its report, exit status and messages for texts and tables given
# every way a script gives them, and bad inputs that must end at once with a clear message.
# Usage: cli_controlla.sh CMAKE BUILD_DIR
set -uo pipefail
cmake=$1 build=$2

# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
e2e_workdir
cd "$work" || exit 1
e2e_install "$build" "$cmake"
controlla=$prefix/bin/verzino-controlla
fails=0
# Under the sanitizers memory is theirs to count: the peaks are checked in the optimised build.
sanitized=${VERZINO_SANITIZED:-0}
fail() {
    echo "FAIL $case: $*"
    fails=$((fails + 1))
}

# run NAME [--stdin FILE] ARGS...: runs the program with a time limit; sets status, out, err.
run() {
    case=$1
    shift
    local input=/dev/null
    if [ "$1" = --stdin ]; then
        input=$2
        shift 2
    fi
    timeout 60 "$controlla" "$@" <"$input" >out 2>err
    status=$?
    [ "$status" -eq 124 ] && fail "did not end within 60 s"
}
expect_status() { [ "$status" -eq "$1" ] || fail "exit status $status, expected $1; stderr: $(cat err)"; }
expect_out() { # the exact standard output
    diff -u <(printf '%s' "$1") out >diff.log || fail "standard output differs:$(echo; cat diff.log)"
}
expect_err() { # a fixed string on standard error
    grep -qF -- "$1" err || fail "standard error lacks \"$1\":$(echo; cat err)"
}
expect_summary() { # the last line of standard error
    [ "$(tail -n 1 err)" = "verzino-controlla: $1" ] || fail "summary is \"$(tail -n 1 err)\""
}

# Tables: CR LF, Windows-1252, as the window reads them. Upper case, the blank and "è";
# the second redefines 0x41 as "Z" and leaves the rest as the first had it.
printf 'Lettere\r\n41=A\r\n42=B\r\n43=C\r\n20= \r\nE8=\xe8\r\n' >base.tbl
printf '41=Z\r\n' >z.tbl

# A text with defined and undefined characters, a character beyond the BMP, long lines and
# several problems on one line, in UTF-8 and in Windows-1252.
printf 'ABC\nAéB è\r\nABCABCABCAB\nA\xf0\x9f\x98\x80BaCcAB\rfine\n' >script.txt
iconv -f UTF-8 -t WINDOWS-1252 <<<'ABC
AéB è
ABCABCABCAB
A?BaCcAB' >script1252.txt
report() { # the report of script.txt under a name; the emoji becomes "?" in Windows-1252
    local name=$1 second=$2
    printf '%s\n' \
        "$name:2:2: carattere non in tabella: \"é\" (U+00E9)" \
        "$name:3:9: riga di 11 caratteri, oltre il limite di 8" \
        "$name:4:2: carattere non in tabella: $second" \
        "$name:4:4: carattere non in tabella: \"a\" (U+0061)" \
        "$name:4:6: carattere non in tabella: \"c\" (U+0063)"
}
utf8_report=$(report script.txt '"😀" (U+1F600)')
tail5() { # the last line, "fine", holds four undefined letters
    printf '%s\n' "$1:5:1: carattere non in tabella: \"f\" (U+0066)" \
        "$1:5:2: carattere non in tabella: \"i\" (U+0069)" \
        "$1:5:3: carattere non in tabella: \"n\" (U+006E)" \
        "$1:5:4: carattere non in tabella: \"e\" (U+0065)"
}

run "UTF-8 text" --limite 8 --tabella base.tbl script.txt
expect_status 1
expect_out "$utf8_report
$(tail5 script.txt)
"
expect_summary "5 righe controllate, 9 problemi trovati"

run "Windows-1252 text" --limite=8 --tabella=base.tbl script1252.txt
expect_status 1
expect_out "$(report script1252.txt '"?" (U+003F)')
"
expect_summary "4 righe controllate, 5 problemi trovati"

run "standard input, no name" --stdin script.txt --limite 8 --tabella base.tbl
expect_status 1
expect_out "${utf8_report//script.txt/-}
$(tail5 -)
"
run "standard input named -, between files" --stdin script.txt --limite 8 --tabella base.tbl \
    script1252.txt - script1252.txt
expect_status 1
[ "$(grep -c '^-:' out)" -eq 9 ] || fail "standard input gave $(grep -c '^-:' out) problems"
[ "$(grep -c '^script1252.txt:' out)" -eq 10 ] || fail "the files gave the wrong count"
expect_summary "13 righe controllate, 19 problemi trovati"

# More than a block through a pipe: kept in a temporary file for the second reading; the
# Windows-1252 byte at its very end makes the whole text Windows-1252.
{ for _ in $(seq 40000); do printf 'ABC ABC\n'; done; printf 'A\xe9\n'; } >big.txt
case="big text from a pipe"
cat big.txt | timeout 60 "$controlla" --limite 7 --tabella base.tbl >out 2>err
status=$?
expect_status 1
expect_out "-:40001:2: carattere non in tabella: \"é\" (U+00E9)
"
expect_summary "40001 righe controllate, 1 problema trovato"

run "empty standard input" --tabella base.tbl - --limite 0
expect_status 0
expect_out ""
expect_summary "0 righe controllate, nessun problema trovato"
printf 'ABC\r\nC B A\n' >clean.txt
run "clean text" --tabella base.tbl clean.txt
expect_status 0
expect_out ""
expect_summary "2 righe controllate, nessun problema trovato"

run "big Windows-1252 file" --limite 7 --tabella base.tbl big.txt
expect_status 1
expect_out "big.txt:40001:2: carattere non in tabella: \"é\" (U+00E9)
"

# A report too long to be held while the encoding is not yet known: the text is read again.
for _ in $(seq 40000); do printf 'Ax\xc3\xa8\n'; done >many.txt
run "long report" --tabella base.tbl many.txt
expect_status 1
[ "$(wc -l <out)" -eq 40000 ] || fail "$(wc -l <out) problems reported"
[ "$(sed -n '40000p' out)" = 'many.txt:40000:2: carattere non in tabella: "x" (U+0078)' ] ||
    fail "last problem: $(tail -n 1 out)"
expect_summary "40000 righe controllate, 40000 problemi trovati"
case="long report from a pipe"
cat many.txt | timeout 60 "$controlla" --tabella base.tbl >out2 2>err
sed 's/^-:/many.txt:/' out2 | cmp -s - out || fail "differs from the named file's report"

# A named file of more than a block whose first block ends inside a UTF-8 sequence.
for _ in $(seq 60000); do printf 'A\xc3\xa8\xc3\xa8\n'; done >big-utf8.txt
run "big UTF-8 file" --tabella base.tbl --limite 3 big-utf8.txt
expect_status 0
expect_summary "60000 righe controllate, nessun problema trovato"

# Two tables merged in order: the second's "Z" replaces the first's "A"; "B" stays.
printf 'ABZ\n' >abz.txt
run "two tables" --tabella base.tbl --tabella z.tbl abz.txt
expect_status 1
expect_out "abz.txt:1:1: carattere non in tabella: \"A\" (U+0041)
"
run "two tables, other order" --tabella z.tbl --tabella base.tbl abz.txt
expect_out "abz.txt:1:3: carattere non in tabella: \"Z\" (U+005A)
"

# NUL bytes are control characters: not checked, but they count as columns.
printf 'A\0\0a\n' >nul.txt
run "NUL bytes" --tabella base.tbl --limite 3 nul.txt
expect_status 1
expect_out "nul.txt:1:4: carattere non in tabella: \"a\" (U+0061)
nul.txt:1:4: riga di 4 caratteri, oltre il limite di 3
"

# A 100 MB line, in a streaming pass whose memory does not grow with it.
head -c 100000000 /dev/zero | tr '\0' 'A' >long.txt
printf 'x\n' >>long.txt
/usr/bin/time -f '%M' -o rss "$controlla" --limite 45 --tabella base.tbl long.txt >out 2>err
status=$?
case="a 100 MB line"
expect_status 1
expect_out "long.txt:1:100000001: carattere non in tabella: \"x\" (U+0078)
long.txt:1:46: riga di 100000001 caratteri, oltre il limite di 45
"
[ "$sanitized" = 1 ] || [ "$(tail -n 1 rss)" -lt 65536 ] ||
    fail "peak resident memory $(tail -n 1 rss) kB"

# Script markup: skipped lines, codes that are neither checked nor counted, screen-line breaks
# measured apart; columns stay the file's own.
printf '// orig\n#CMD(1)\nAB<$FB>C<line>CCCCx\n' >atlas.txt
run "markup" --limite 4 --tabella base.tbl --salta-righe // --salta-righe '#' \
    --codice '<\$[0-9A-F]{2}>' --a-capo '<line>' atlas.txt
expect_status 1
expect_out "atlas.txt:3:19: carattere non in tabella: \"x\" (U+0078)
atlas.txt:3:19: riga di 5 caratteri, oltre il limite di 4
"
expect_summary "1 riga controllata, 2 problemi trovati"

# The Atlas example as a project runs it: its options in .verzino-controlla, found from a folder
# below; the same options on the command line give the same report, in each format.
examples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../examples" && pwd)
mkdir -p atlas/testi
cp "$examples/copione-atlas.txt" "$examples/italiano.tbl" "$examples/.verzino-controlla" atlas/
atlas_args=(--nessun-file-opzioni --tabella atlas/italiano.tbl --limite 28 --originale //
    --salta-righe '#' --codice '<\$[0-9A-F]{2}>' --fine-box '<end>' --a-capo '<line>'
    --righe-per-box 2)
case="Atlas example, options file"
(cd atlas/testi && timeout 60 "$controlla" ../copione-atlas.txt >../../out 2>../../err)
status=$?
expect_status 1
expect_out '../copione-atlas.txt:12:58: riga di 31 caratteri, oltre il limite di 28
../copione-atlas.txt:16:54: codice mancante: "<end>" (nell'"'"'originale alla riga 15)
../copione-atlas.txt:20:15: carattere non in tabella: "&" (U+0026)
../copione-atlas.txt:21:1: box di 3 righe, oltre il limite di 2
../copione-atlas.txt:25:26: codice in più: "<$FC>"
'
for format in testo github json; do
    (cd atlas && timeout 60 "$controlla" --formato "$format" copione-atlas.txt >../file.out 2>/dev/null)
    run "Atlas example, $format, options on the command line" "${atlas_args[@]}" \
        --formato "$format" atlas/copione-atlas.txt
    expect_status 1
    sed 's|atlas/||' out | diff -u file.out - >diff.log || fail "differs:$(echo; cat diff.log)"
done
expect_out '{"file":"atlas/copione-atlas.txt","line":12,"column":58,"kind":"lunghezza","message":"riga di 31 caratteri, oltre il limite di 28","length":31,"limit":28}
{"file":"atlas/copione-atlas.txt","line":16,"column":54,"kind":"codice","message":"codice mancante: \"<end>\" (nell'"'"'originale alla riga 15)","code":"<end>","original_line":15}
{"file":"atlas/copione-atlas.txt","line":20,"column":15,"kind":"carattere","message":"carattere non in tabella: \"&\" (U+0026)","character":"&","codepoint":"U+0026"}
{"file":"atlas/copione-atlas.txt","line":21,"column":1,"kind":"righe","message":"box di 3 righe, oltre il limite di 2","lines":3,"limit":2}
{"file":"atlas/copione-atlas.txt","line":25,"column":26,"kind":"codice","message":"codice in più: \"<$FC>\"","code":"<$FC>"}
'

# The CI formats, with names and characters that need escaping; a name that is not UTF-8 is
# written with U+FFFD.
printf 'A%%"\\\n' >'a,b:c%.txt'
cp abz.txt $'n\nl.txt'
cp abz.txt $'x\xe9.txt'
run "GitHub" --formato github --tabella base.tbl 'a,b:c%.txt' $'n\nl.txt' $'x\xe9.txt'
expect_status 1
expect_out '::error file=a%2Cb%3Ac%25.txt,line=1,col=2::carattere non in tabella: "%25" (U+0025)
::error file=a%2Cb%3Ac%25.txt,line=1,col=3::carattere non in tabella: """ (U+0022)
::error file=a%2Cb%3Ac%25.txt,line=1,col=4::carattere non in tabella: "\" (U+005C)
::error file=n%0Al.txt,line=1,col=3::carattere non in tabella: "Z" (U+005A)
::error file=x�.txt,line=1,col=3::carattere non in tabella: "Z" (U+005A)
'
run "JSON" --formato=json --limite 2 --tabella base.tbl 'a,b:c%.txt' $'n\nl.txt' $'x\xe9.txt'
expect_out '{"file":"a,b:c%.txt","line":1,"column":2,"kind":"carattere","message":"carattere non in tabella: \"%\" (U+0025)","character":"%","codepoint":"U+0025"}
{"file":"a,b:c%.txt","line":1,"column":3,"kind":"carattere","message":"carattere non in tabella: \"\"\" (U+0022)","character":"\"","codepoint":"U+0022"}
{"file":"a,b:c%.txt","line":1,"column":4,"kind":"carattere","message":"carattere non in tabella: \"\\\" (U+005C)","character":"\\","codepoint":"U+005C"}
{"file":"a,b:c%.txt","line":1,"column":3,"kind":"lunghezza","message":"riga di 4 caratteri, oltre il limite di 2","length":4,"limit":2}
{"file":"n\u000al.txt","line":1,"column":3,"kind":"carattere","message":"carattere non in tabella: \"Z\" (U+005A)","character":"Z","codepoint":"U+005A"}
{"file":"n\u000al.txt","line":1,"column":3,"kind":"lunghezza","message":"riga di 3 caratteri, oltre il limite di 2","length":3,"limit":2}
{"file":"x�.txt","line":1,"column":3,"kind":"carattere","message":"carattere non in tabella: \"Z\" (U+005A)","character":"Z","codepoint":"U+005A"}
{"file":"x�.txt","line":1,"column":3,"kind":"lunghezza","message":"riga di 3 caratteri, oltre il limite di 2","length":3,"limit":2}
'
expect_summary "3 righe controllate, 8 problemi trovati"

# UTF-16 read as its mark says; without a mark it is refused, never checked as garbage. A mark
# followed by bytes that do not fit decides all the same: they become U+FFFD.
for order in LE BE; do
    { printf '\ufeff'; printf 'AB\r\nAé\n'; } | iconv -f UTF-8 -t "UTF-16$order" >"u16$order.txt"
    run "UTF-16 $order" --tabella base.tbl "u16$order.txt"
    expect_status 1
    expect_out "u16$order.txt:2:2: carattere non in tabella: \"é\" (U+00E9)
"
done
tail -c +3 u16LE.txt >u16bare.txt
run "UTF-16 without a mark" --tabella base.tbl abz.txt u16bare.txt
expect_status 2
expect_out "abz.txt:1:3: carattere non in tabella: \"Z\" (U+005A)
"
expect_err 'Impossibile leggere il testo "u16bare.txt": sembra UTF-16 senza indicatore'
printf '\xef\xbb\xbfA\xe9B\n' >bom-bad.txt
run "UTF-8 mark, then a Windows-1252 byte" --tabella base.tbl bom-bad.txt
expect_out "bom-bad.txt:1:2: carattere non in tabella: \"�\" (U+FFFD)
"

# Unreadable texts: a message naming the file and the reason, nothing on standard output for
# it, the other texts still checked, status 2, never a wait.
mkfifo fifo
mkdir folder
run "unreadable texts" --tabella base.tbl fifo folder missing.txt /dev/zero abz.txt
expect_status 2
expect_err 'Impossibile leggere il testo "fifo": non è un file ordinario.'
expect_err 'Impossibile leggere il testo "folder": è una cartella.'
expect_err 'Impossibile leggere il testo "missing.txt": il file non esiste.'
expect_err 'Impossibile leggere il testo "/dev/zero": non è un file ordinario.'
expect_out "abz.txt:1:3: carattere non in tabella: \"Z\" (U+005A)
"
expect_summary "controllo incompleto: 1 riga controllata, 1 problema trovato"

# A pattern that PCRE2 gives up on stops the check with the line, the pattern and why; never
# "no code here".
printf 'AB\n{%s ciao {end}\nAB\n' "$(printf 'ab %.0s' $(seq 20))" >braces.txt
run "pattern past its backtracking limit" --tabella base.tbl --codice '\{(\w+\s?)+\}' \
    braces.txt abz.txt
expect_status 2
expect_out ""
expect_err 'braces.txt, riga 2: l'"'"'espressione regolare "\{(\w+\s?)+\}" non si può applicare: prova troppe strade'
expect_summary "controllo incompleto: 1 riga controllata, 0 problemi trovati"

# A 200 MiB line with codes is held once, as its UTF-8.
yes 'AB<x>' | tr -d '\n' | head -c 209715200 >long-codes.txt
/usr/bin/time -f '%M' -o rss "$controlla" --codice '<[^>]*>' --tabella base.tbl long-codes.txt \
    >out 2>err
status=$?
case="a 200 MiB line with codes"
expect_status 0
# Under 1.5 times the line plus 16 MiB.
[ "$sanitized" = 1 ] || [ "$(tail -n 1 rss)" -lt $((300 * 1024 + 16 * 1024)) ] ||
    fail "peak resident memory $(tail -n 1 rss) kB"
rm long-codes.txt

# Tables as the window reads them: the same errors, and nothing is checked.
run "missing table" --tabella base.tbl --tabella nessuna.tbl abz.txt
expect_status 2
expect_out ""
expect_err 'Impossibile leggere la tabella "nessuna.tbl": il file non esiste.'
# Lines of a multi-byte table that cannot be used: one note a table, nothing else changes.
printf '41=A\r\n8140=X\r\n/FF=\r\n' >multi.tbl
run "table with unusable lines" --tabella multi.tbl --tabella base.tbl clean.txt
expect_status 0
expect_err 'nota: la tabella "multi.tbl" ha 2 righe ignorate che sembrano definizioni (la prima è la riga 2)'
[ "$(grep -c nota: err)" -eq 1 ] || fail "$(grep -c nota: err) notes"
run "table that is a FIFO" --tabella fifo abz.txt
expect_status 2
expect_err 'Impossibile leggere la tabella "fifo": non è un file ordinario.'

# Usage errors.
for args in "--bogus --tabella base.tbl" "abz.txt" "--tabella" "--limite -1 --tabella base.tbl" \
    "--limite 8x --tabella base.tbl" "--tabella= abz.txt" "--codice ( --tabella base.tbl" \
    "--formato xml --tabella base.tbl" "--salta-righe= --tabella base.tbl"; do
    # shellcheck disable=SC2086
    run "usage: $args" $args
    expect_status 2
    expect_out ""
    expect_err "Per l'uso: verzino-controlla --help"
done
run "a text named like an option after --" --tabella base.tbl -- -x
expect_status 2
expect_err 'Impossibile leggere il testo "-x": il file non esiste.'

run "--help" --help
expect_status 0
grep -q '^Uso: verzino-controlla \[OPZIONI\] --tabella FILE' out || fail "no usage line"
grep -q 'Stato di uscita' out || fail "no exit statuses"
run "--version" --tabella nessuna.tbl --version
expect_status 0
expect_out "verzino-controlla 1.00
"

case="manual page"
manual=$work/prefix/share/man/man1/verzino-controlla.1.gz
if [ ! -f "$manual" ]; then
    fail "not installed at share/man/man1"
elif warnings=$(gzip -dc "$manual" | LC_ALL=C.UTF-8 groff -man -ww -z 2>&1) && [ -n "$warnings" ]; then
    fail "groff warns: $warnings"
fi

[ "$fails" -eq 0 ] || exit 1
echo "verzino-controlla: every case passed"
