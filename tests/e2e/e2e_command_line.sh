#!/usr/bin/env bash
# The command line of the installed program: --help and --version answer without a display,
# a bad option or two files end with status 2, and on a private X server a table named on the
# command line is in force from the start (status line, a character it lacks refused), while a
# missing one is reported in a message box and leaves no table in force; -display works without
# DISPLAY, and an argument after "--" is a file name even where Qt has an option of that name.
# Usage: e2e_command_line.sh BUILD_DIR EXAMPLES_DIR RENDER_STATUS
set -euo pipefail

build=$1
examples=$2
render_status=$3

# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
e2e_require_tools Xvfb xdotool xclip import identify compare convert
e2e_workdir
e2e_install "$build"
verzino=$prefix/bin/verzino

# run EXPECTED-STATUS ARGS...: runs the program with no display at all.
run() {
    local expected=$1 status=0
    shift
    timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$verzino" "$@" \
        >"$work/out" 2>"$work/err" || status=$?
    [ "$status" -eq "$expected" ] ||
        fail "verzino $*: exit status $status, expected $expected; stderr: $(cat "$work/err")"
}

run 0 --help
head -n 1 "$work/out" | grep -x 'Uso: verzino \[OPZIONE\]... \[TABELLA.tbl\]' >/dev/null ||
    fail "--help: $(head -n 1 "$work/out")"
grep -q 'mostra la versione ed esce' "$work/out" || fail "--help does not list --version"
[ ! -s "$work/err" ] || fail "--help wrote to stderr: $(cat "$work/err")"
run 0 -h
grep -q '^Uso: verzino' "$work/out" || fail "-h"
run 0 --version
head -n 1 "$work/out" | grep -x 'Verzino 1.00' >/dev/null || fail "--version: $(head -n 1 "$work/out")"
grep -q 'GPL versione 3 o successiva' "$work/out" || fail "--version names no licence"
echo "PASS --help and --version without a display"

run 2 --colore
grep -qx 'verzino: opzione non riconosciuta: "--colore"' "$work/err" ||
    fail "bad option: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "a bad option wrote to stdout"
run 2 a.tbl b.tbl
grep -q 'una sola tabella' "$work/err" || fail "two files: $(cat "$work/err")"
echo "PASS a bad option and two files end with status 2"

e2e_start_xvfb
unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME
e2e_runtime_dir

stop_program() {
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}

# A table named relative to the working folder.
e2e_launch env -C "$examples" "$verzino" maiuscole.tbl
main=$(window_named '^Verzino v\.1\.0 - ' 30) || fail "the main window did not appear"
xdotool windowfocus --sync "$main"
retry 10 status_reads "Tabella caricata: maiuscole.tbl" loaded ||
    fail "the status line does not name the table given on the command line"
# maiuscole.tbl has no lower-case letters: they are refused.
xdotool type --delay 30 "aBc"
xdotool key Return
retry 10 clipboard_holds "B" || fail "the line should hold only 'B', the clipboard holds '$(
    timeout 2 xclip -o -selection clipboard 2>/dev/null)'"
echo "PASS verzino maiuscole.tbl starts with the table in force"
stop_program

# A table that does not exist: the error box, then no table in force.
e2e_launch "$verzino" "$work/manca.tbl"
main=$(window_named '^Verzino v\.1\.0 - ' 30) || fail "the main window did not appear"
box=$(window_named '^Apri Tabella\.\.\.$' 20) || fail "no message box for a missing table"
xdotool windowfocus --sync "$box"
xdotool key Return
retry 10 window_gone '^Apri Tabella\.\.\.$' || fail "the message box did not close"
xdotool windowfocus --sync "$main"
retry 10 status_reads "Nessuna tabella aperta" missing || fail "the status line changed"
xdotool type --delay 30 "ab"
xdotool key Return
retry 10 clipboard_holds "ab" || fail "with no table in force every key should go in"
echo "PASS a missing table is reported and changes nothing"
stop_program

# Qt's options: -display without DISPLAY; after "--" every argument is a file name, never a Qt
# option (-reverse would mirror the window, and the status bar with it).
cp "$examples/maiuscole.tbl" "$work/-reverse"
e2e_launch env -C "$work" -u DISPLAY "$verzino" -display "$DISPLAY" -- -reverse
main=$(window_named '^Verzino v\.1\.0 - ' 30) || fail "no window with -display"
retry 10 status_reads "Tabella caricata: -reverse" reverse ||
    fail "the table after -- is not in force, or Qt took it as -reverse"
echo "PASS -display without DISPLAY; -reverse after -- is a file name"
stop_program

# A name that is no UTF-8 (Latin-1 "é", from an older system) opens by its bytes and shows the
# byte as U+FFFD.
latin1=lat$'\xe9'.tbl
cp "$examples/maiuscole.tbl" "$work/$latin1"
e2e_launch env -C "$work" "$verzino" "$latin1"
main=$(window_named '^Verzino v\.1\.0 - ' 30) || fail "the main window did not appear"
retry 10 status_reads "Tabella caricata: lat�.tbl" latin1 ||
    fail "a table whose name is no UTF-8 is not in force"
echo "PASS a name that is no UTF-8 opens"
stop_program
