#!/usr/bin/env bash
# The command line of the installed program: --help and --version answer without a display,
# a bad option or two files end with status 2, and on a private X server a table named on the
# command line is in force from the start (status line, a character it lacks refused), while a
# missing one is reported in a message box and leaves no table in force.
# Usage: e2e_command_line.sh BUILD_DIR EXAMPLES_DIR RENDER_STATUS
set -euo pipefail

build=$1
examples=$2
render_status=$3

for tool in Xvfb xdotool xclip import identify compare convert; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL: $*"
    exit 1
}

retry() {
    local tries=$(($1 * 10))
    shift
    while ((tries-- > 0)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

timeout 120 cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" ||
    fail "cmake --install failed"
verzino=$work/prefix/bin/verzino

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
head -n 1 "$work/out" | grep -qx 'Uso: verzino \[OPZIONE\]... \[TABELLA.tbl\]' ||
    fail "--help: $(head -n 1 "$work/out")"
grep -q 'mostra la versione ed esce' "$work/out" || fail "--help does not list --version"
[ ! -s "$work/err" ] || fail "--help wrote to stderr: $(cat "$work/err")"
run 0 -h
grep -q '^Uso: verzino' "$work/out" || fail "-h"
run 0 --version
head -n 1 "$work/out" | grep -qx 'Verzino 1.00' || fail "--version: $(head -n 1 "$work/out")"
grep -q 'GPL versione 3 o successiva' "$work/out" || fail "--version names no licence"
echo "PASS --help and --version without a display"

run 2 --colore
grep -qx 'verzino: opzione non riconosciuta: "--colore"' "$work/err" ||
    fail "bad option: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "a bad option wrote to stdout"
run 2 a.tbl b.tbl
grep -q 'una sola tabella' "$work/err" || fail "two files: $(cat "$work/err")"
echo "PASS a bad option and two files end with status 2"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
retry 20 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
window_named() {
    retry "$2" windows_named "$1" >/dev/null || return 1
    windows_named "$1" | head -n 1
}
window_gone() { ! windows_named "$1" >/dev/null; }
status_reads() {
    local expected=$1 name=$2 height diff
    import -window "$main" "$work/$name.png" 2>>"$work/import.log" || return 1
    height=$(identify -format '%h' "$work/$name.png")
    convert "$work/$name.png" -crop "440x25+0+$((height - 25))" +repage "$work/$name-status.png"
    "$render_status" "$expected" "$work/$name-expected.png" 2>>"$work/render.log" || return 1
    diff=$(compare -metric AE "$work/$name-status.png" "$work/$name-expected.png" null: 2>&1) ||
        true
    [ "$diff" = 0 ]
}
clipboard_holds() {
    local clipboard
    clipboard=$(timeout 2 xclip -o -selection clipboard 2>/dev/null) || return 1
    [ "$clipboard" = "$1" ]
}
stop_program() {
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}

# A table named relative to the working folder.
(cd "$examples" && exec "$verzino" maiuscole.tbl) >"$work/verzino.log" 2>&1 &
app_pid=$!
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
"$verzino" "$work/manca.tbl" >"$work/verzino.log" 2>&1 &
app_pid=$!
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
