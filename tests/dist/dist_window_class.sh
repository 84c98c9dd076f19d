#!/usr/bin/env bash
# Starts the installed program on a private X server and checks that its window carries the
# class the desktop entry names, so docks and task bars put the entry's name and icon on it.
# Usage: dist_window_class.sh <cmake> <build dir>
set -euo pipefail
cmake=$1 build=$2
# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
e2e_require_tools Xvfb xdotool xprop
e2e_workdir
e2e_install "$build" "$cmake"
desktop=$prefix/share/applications/it.verzino.Verzino.desktop
wmclass=$(sed -n 's/^StartupWMClass=//p' "$desktop")
program=$prefix/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -n "$wmclass" ] || { echo "FAIL: the desktop entry has no StartupWMClass"; exit 1; }

e2e_start_xvfb
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

e2e_launch "$program"
window=$(wait_for_window 30 --classname verzino) || fail "no window appeared"
class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\(.*\)"$/\1/p')
echo "window class: '$class', StartupWMClass: '$wmclass'"
[ "$class" = "$wmclass" ] || { echo "FAIL: the window's class is not the one the entry names"; exit 1; }
