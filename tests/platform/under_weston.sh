#!/usr/bin/env bash
# Runs a Qt program as a Wayland client of weston, which runs nested in a private X server so
# that xdotool can press keys into it.
# Usage: under_weston.sh PROGRAM [ARGS...]
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
e2e_require_tools Xvfb weston xdotool
e2e_workdir
e2e_start_xvfb
e2e_runtime_dir
unset WAYLAND_DISPLAY

weston --backend=x11-backend.so --socket=wayland-test --width=800 --height=600 --idle-time=0 \
    >"$work/weston.log" 2>&1 &
e2e_stop_at_exit $!
retry 20 test -S "$XDG_RUNTIME_DIR/wayland-test" ||
    { echo "FAIL: weston did not start"; cat "$work/weston.log"; exit 1; }
compositor=
find_compositor() { compositor=$(xdotool search --class '^Weston Compositor$' 2>/dev/null | head -n 1); [ -n "$compositor" ]; }
retry 20 find_compositor || { echo "FAIL: no weston window"; exit 1; }
xdotool windowfocus --sync "$compositor"

WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland "$@"
