#!/usr/bin/env bash
# Installs the built program, starts it on a private X server and uses it as a person would:
# the title, File > Apri Tabella... through the real dialog, the status line, the spinner's
# arrows clicked with the mouse, a line typed under the limit and read back from the clipboard,
# the marker found on the screen, the information box, and File > Esci with exit status 0.
# Usage: e2e_verzino.sh BUILD_DIR EXAMPLES_DIR RENDER_STATUS
set -euo pipefail

build=$1
examples=$2
render_status=$3

# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
e2e_require_tools Xvfb xdotool xclip import identify compare convert
e2e_workdir

# Keep the screenshots and logs of a failed run where ctest's user can find them.
keep_failure() {
    [ "$1" -ne 0 ] || return 0
    local keep="$build/e2e-failure"
    rm -rf "$keep" && mkdir -p "$keep" && cp -r "$work"/*.png "$work"/*.log "$keep"/ 2>/dev/null
    echo "Screenshots and logs of the failed run: $keep"
}
e2e_on_cleanup keep_failure

echo "Installing into $work/prefix"
e2e_install "$build"
verzino="$prefix/bin/verzino"
[ -x "$verzino" ] || fail "the installed program is not at bin/verzino"

e2e_start_xvfb
unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME
e2e_runtime_dir
echo "X server on $DISPLAY"

e2e_launch "$verzino"

main=$(window_named '^Verzino v\.1\.0 - ' 30) || fail "the main window did not appear"
title=$(xdotool getwindowname "$main")
[ "$title" = "Verzino v.1.0 - (C) 2026 gli autori di Verzino" ] || fail "title is '$title'"
echo "PASS title: $title"

# No window manager here: give the window the keyboard as a click would.
xdotool windowfocus --sync "$main"
retry 10 status_reads "Nessuna tabella aperta" start || fail "the status line at start"
echo "PASS status at start"

# File > Apri Tabella... by its access keys, then the full path typed into the dialog.
shown=$(visible_windows)
xdotool key alt+f
retry 10 more_windows_than "$shown" || fail "Alt+F opened no menu"
xdotool key a
dialog=$(window_named '^Apri Tabella\.\.\.$' 20) || fail "the open dialog did not appear"
xdotool windowfocus --sync "$dialog"
xdotool type --delay 20 "$examples/maiuscole.tbl"
xdotool key Return
retry 10 window_gone '^Apri Tabella\.\.\.$' || fail "Enter did not open the typed path"
echo "PASS open dialog by keyboard"
retry 10 status_reads "Tabella caricata: maiuscole.tbl" loaded ||
    fail "the status line does not name the table"
echo "PASS status: Tabella caricata: maiuscole.tbl"

# Caps Lock: the second panel is drawn normally while the lock is on, greyed again when off.
xdotool windowfocus --sync "$main"
xdotool key Caps_Lock
retry 10 status_reads "Tabella caricata: maiuscole.tbl" capslock ||
    fail "the status bar does not show Caps Lock on"
compare -metric AE "$work/capslock-expected.png" "$work/loaded-expected.png" null: 2>/dev/null &&
    fail "Caps Lock made no difference to the drawn status bar"
xdotool key Caps_Lock
retry 10 status_reads "Tabella caricata: maiuscole.tbl" capslock-off ||
    fail "the status bar does not show Caps Lock off again"
echo "PASS Caps Lock panel"

# The client area is the window less the menu bar above it; the design gives it 440x138 pixels
# (6600x2070 twips, 15 twips a pixel), and there is no window manager to add a frame.
ClientHeight=138
client_origin() {
    local geometry height
    geometry=$(xdotool getwindowgeometry --shell "$main") || return 1
    client_x=$(sed -n 's/^X=//p' <<<"$geometry")
    client_y=$(sed -n 's/^Y=//p' <<<"$geometry")
    height=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
    client_y=$((client_y + height - ClientHeight))
}

# UpDown1 stands at Left 6240, Top 600, 240x345 twips: 416,40 and 16x23 pixels; the up arrow is
# its upper half, the down arrow the lower one. Clicks at the middle of each.
click_arrow() {
    local arrow=$1 times=$2 y
    [ "$arrow" = up ] && y=45 || y=57
    client_origin || return 1
    timeout 5 xdotool mousemove --sync $((client_x + 424)) $((client_y + y)) || return 1
    xdotool click --repeat "$times" --delay 150 1
}

# The solid red (255,0,0) pixels under the line box, where the marker runs (client rows 64 to
# 77: the marker's Top is 960 twips, the check boxes start at 1320), as "left right count".
marker_pixels() {
    local name=$1 height
    import -window "$main" "$work/$name.png" 2>>"$work/import.log" || return 1
    height=$(identify -format '%h' "$work/$name.png")
    convert "$work/$name.png" -crop "440x14+0+$((height - ClientHeight + 64))" +repage \
        -depth 8 txt:- |
        awk -F'[,:]' '/ #FF0000 / { if (n == 0 || $1 < min) min = $1; if ($1 > max) max = $1; n++ }
                      END { if (n) print min, max, n }'
}
marker_moved_by() {
    local name=$1 pixels=$2 now left right count
    now=$(marker_pixels "$name")
    read -r left right count <<<"$marker_start"
    # The same dot, whole and only once, shifted by whole pixels.
    [ "$now" = "$((left + pixels)) $((right + pixels)) $count" ]
}

# The limit by the mouse: five clicks on the up arrow, then a line with lower-case letters,
# which the table does not define, mixed in: only the first five capitals go in, and Enter
# hands them to the clipboard.
xdotool windowfocus --sync "$main"
marker_start=$(marker_pixels marker-0)
[ -n "$marker_start" ] || fail "no red marker under the line box"
echo "Marker at limit 0: columns and pixel count $marker_start"
click_arrow up 5 || fail "cannot find the window to click"
retry 10 marker_moved_by marker-5 40 ||
    fail "five up clicks: the marker reads '$(marker_pixels marker-5)', expected 40 px right of '$marker_start'"
echo "PASS five clicks on the up arrow move the marker 5 cells (40 px)"
xdotool type --delay 30 "xVeErRzZiInNoO 45"
xdotool key Return
retry 5 clipboard_holds "VERZI" ||
    fail "after the line under limit 5 the clipboard holds '${clipboard-}', expected 'VERZI'"
echo "PASS typed under limit 5, Enter: clipboard 'VERZI'"

# Two clicks on the down arrow: limit 3, the marker two cells back.
click_arrow down 2 || fail "cannot find the window to click"
retry 10 marker_moved_by marker-3 24 ||
    fail "two down clicks: the marker reads '$(marker_pixels marker-3)', expected 24 px right of '$marker_start'"
xdotool type --delay 30 "ABCDEFG"
xdotool key Return
retry 5 clipboard_holds "ABC" ||
    fail "after the line under limit 3 the clipboard holds '${clipboard-}', expected 'ABC'"
echo "PASS two clicks on the down arrow: marker 3 cells right, clipboard 'ABC'"

# Enter on the emptied line hands over an empty line, not the last one again.
xdotool key Return
retry 5 clipboard_holds "" ||
    fail "after Enter on an empty line the clipboard holds '${clipboard-}', expected nothing"
echo "PASS Enter on an empty line: clipboard empty"

# ? > Informazioni su... by its access keys; Enter closes it.
xdotool windowfocus --sync "$main"
shown=$(visible_windows)
xdotool key alt+question
retry 10 more_windows_than "$shown" || fail "Alt+? opened no menu"
xdotool key i
info=$(window_named '^Informazioni su\.\.\.$' 20) || fail "the information box did not appear"
xdotool windowfocus --sync "$info"
xdotool key Return
retry 10 window_gone '^Informazioni su\.\.\.$' || fail "the information box did not close"
echo "PASS information box"

# File > Esci: the program ends at once with status 0.
xdotool windowfocus --sync "$main"
shown=$(visible_windows)
xdotool key alt+f
retry 10 more_windows_than "$shown" || fail "Alt+F opened no menu"
xdotool key e
(sleep 10 && kill "$app_pid" 2>/dev/null && touch "$work/hung") &
watchdog=$!
status=0
wait "$app_pid" || status=$?
app_pid=
kill "$watchdog" 2>/dev/null || true
[ -e "$work/hung" ] && fail "the program did not end after Esci"
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "PASS Esci: exit status 0"
