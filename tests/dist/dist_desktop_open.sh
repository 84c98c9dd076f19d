#!/usr/bin/env bash
# The desktop hands .tbl files to Verzino: installed into a scratch prefix, the shared-mime-info
# definition maps a .tbl file to the table type, the type maps to the desktop entry, and
# launching the entry with a file, as a file manager does, starts Verzino with that table in
# force (on a private X server, a character the table lacks is refused).
# Usage: dist_desktop_open.sh <cmake> <build dir> <examples dir>
set -euo pipefail
cmake=$1 build=$2 examples=$3
id=it.verzino.Verzino
type=application/x-verzino-table
# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
e2e_require_tools update-mime-database update-desktop-database gio xdg-mime Xvfb xdotool xclip
e2e_workdir
e2e_install "$build" "$cmake"
[ -f "$prefix/share/mime/packages/verzino.xml" ] || fail "no mime definition installed"

# A desktop session that sees only this prefix and the system's own data.
export XDG_DATA_DIRS=$prefix/share:/usr/share
export XDG_DATA_HOME=$work/data-home XDG_CONFIG_HOME=$work/config-home
export XDG_CONFIG_DIRS=$work/config-dirs HOME=$work/home
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS" "$HOME"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION
export GIO_USE_VFS=local
# The entry names the program, which the session finds on its PATH (GIO hides entries whose
# program it cannot find).
export PATH=$prefix/bin:$PATH

# What the distribution's triggers do after installing the package.
if ! out=$(update-mime-database "$prefix/share/mime" 2>&1) || [ -n "$out" ]; then
    fail "update-mime-database: $out"
fi
[ -f "$prefix/share/mime/$type.xml" ] || fail "update-mime-database made no $type"
grep -q '<comment xml:lang="it">Tabella di caratteri di Verzino</comment>' \
    "$prefix/share/mime/$type.xml" || fail "no Italian comment for $type"
grep -q '<sub-class-of type="text/plain"/>' "$prefix/share/mime/$type.xml" ||
    fail "$type is not plain text"
update-desktop-database "$prefix/share/applications"


tables="$work/Le mie tabelle"
mkdir -p "$tables"
cp "$examples/maiuscole.tbl" "$tables/maiuscole.tbl"
table=$tables/maiuscole.tbl

content=$(gio info -a standard::content-type "$table" | sed -n 's/^ *standard::content-type: //p')
[ "$content" = "$type" ] || fail "gio gives the .tbl file the type '$content'"
handlers=$(gio mime "$type" 2>&1)
grep -q "^Default application for .*: $id.desktop$" <<<"$handlers" || fail "gio mime: $handlers"
default=$(xdg-mime query default "$type")
[ "$default" = "$id.desktop" ] || fail "xdg-mime query default $type: '$default'"
echo "PASS a .tbl file is $type, which opens with $id.desktop"

e2e_start_xvfb
unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME DBUS_SESSION_BUS_ADDRESS
e2e_runtime_dir

# The program inherits gio's output.
app_log=$work/launch.log
gio launch "$prefix/share/applications/$id.desktop" "$table" >"$app_log" 2>&1 ||
    fail "gio launch: $(cat "$app_log")"
main=$(window_named '^Verzino v\.1\.0 - ' 30) ||
    fail "launching the desktop entry with a table opened no window"
app_pid=$(xdotool getwindowpid "$main")
xdotool windowfocus --sync "$main"
# maiuscole.tbl has no lower-case letters.
xdotool type --delay 30 "aBc"
xdotool key Return
retry 10 clipboard_holds "B" ||
    fail "the table is not in force: the clipboard holds '$(timeout 2 xclip -o -selection clipboard 2>/dev/null)'"
echo "PASS the desktop entry opens the .tbl file with the table in force"
