#!/usr/bin/env bash
# Starts the installed program on a private X server and checks that its window carries the
# class the desktop entry names, so docks and task bars put the entry's name and icon on it.
# Usage: dist_window_class.sh <cmake> <build dir>
set -euo pipefail
cmake=$1 build=$2
for tool in Xvfb xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid= app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null
desktop=$work/prefix/share/applications/it.verzino.Verzino.desktop
wmclass=$(sed -n 's/^StartupWMClass=//p' "$desktop")
program=$work/prefix/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -n "$wmclass" ] || { echo "FAIL: the desktop entry has no StartupWMClass"; exit 1; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

"$program" >"$work/program.log" 2>&1 &
app_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --classname verzino | head -n 1) || true
[ -n "$window" ] || { echo "FAIL: no window appeared"; cat "$work/program.log"; exit 1; }
class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\(.*\)"$/\1/p')
echo "window class: '$class', StartupWMClass: '$wmclass'"
[ "$class" = "$wmclass" ] || { echo "FAIL: the window's class is not the one the entry names"; exit 1; }
