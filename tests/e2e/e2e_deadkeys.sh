#!/usr/bin/env bash
# Dead keys through a real keyboard: the installed program on a private X server with the US
# international layout, where an accent key composes with the next letter. A composed character
# is decided like a typed one: with a table in force it goes to the end of the line if the table
# defines it and is dropped if not; without a table it goes in at the caret.
# Usage: e2e_deadkeys.sh BUILD_DIR
set -euo pipefail

build=$1

# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
e2e_require_tools Xvfb xdotool xclip setxkbmap
e2e_workdir
e2e_install "$build"
verzino="$prefix/bin/verzino"

e2e_start_xvfb
unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME XMODIFIERS
# No input method server: Qt composes dead keys itself, as it does by default.
unset QT_IM_MODULE
export LC_ALL=C.UTF-8
e2e_runtime_dir
setxkbmap -layout us -variant intl || fail "setxkbmap could not set the US international layout"
# Checked before the keys go in: a server that reset since would have the default layout again.
require_layout() {
    local query
    query=$(setxkbmap -query) || fail "setxkbmap -query failed"
    { grep -qx 'layout: *us' <<<"$query" && grep -qx 'variant: *intl' <<<"$query"; } ||
        fail "the keyboard is not us(intl) $1; setxkbmap -query says: $(tr '\n' ' ' <<<"$query")"
}
require_layout "after setting it"
echo "X server on $DISPLAY, keyboard us(intl)"

# A, B and e grave (E8 in Windows-1252), not e acute.
table="$work/accenti.tbl"
printf '41=A\r\n42=B\r\nE8=\xe8\r\n' >"$table"

e2e_launch "$verzino"
main=$(window_named '^Verzino v\.1\.0 - ' 30) || fail "the main window did not appear"
xdotool windowfocus --sync "$main"

# The first keys may come before the window has the keyboard: a key and Enter until the line
# comes through whole.
ready() {
    xdotool key --delay 30 "$1" Return
    clipboard_holds "$2"
}
retry 10 ready x x || fail "keys typed into the window never reached the clipboard"

# Without a table the composed characters go in at the caret, as in any text box: this also
# shows that the keyboard composes at all.
require_layout "without a table"
xdotool type --delay 30 "AB"
xdotool key --delay 30 Home dead_acute e dead_grave e Return
retry 5 clipboard_holds "éèAB" ||
    fail "no table: the clipboard holds '${clipboard-}', expected 'éèAB'"
echo "PASS no table: dead keys compose, at the caret: 'éèAB'"

# File > Apri Tabella..., the path typed into the dialog.
shown=$(visible_windows)
xdotool key alt+f
retry 10 more_windows_than "$shown" || fail "Alt+F opened no menu"
xdotool key a
dialog=$(window_named '^Apri Tabella\.\.\.$' 20) || fail "the open dialog did not appear"
xdotool windowfocus --sync "$dialog"
# The intl layout makes ' and " dead keys; the path has neither.
xdotool type --delay 20 "$table"
xdotool key Return
retry 10 window_gone '^Apri Tabella\.\.\.$' || fail "Enter did not open the typed path"
xdotool windowfocus --sync "$main"
# Once the table is in force and the keys reach the line, an undefined "e" is dropped.
ready_with_table() {
    xdotool key --delay 30 A e Return
    clipboard_holds A
}
retry 10 ready_with_table || fail "the table did not come into force: '${clipboard-}'"

require_layout "with the table in force"
xdotool type --delay 30 "AB"
xdotool key --delay 30 Home dead_acute e dead_grave e Return
retry 5 clipboard_holds "ABè" ||
    fail "table: the clipboard holds '${clipboard-}', expected 'ABè'"
echo "PASS table: e acute dropped, e grave appended: 'ABè'"
