#!/usr/bin/env bash
# Runs a Qt program as a Wayland client of weston, which runs nested in a private X server so
# that xdotool can press keys into it.
# Usage: under_weston.sh PROGRAM [ARGS...]
set -euo pipefail
for tool in Xvfb weston xdotool; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid= weston_pid=
cleanup() {
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
retry() {
    local tries=$(($1 * 10))
    shift
    while ((tries-- > 0)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
retry 20 test -s "$work/display" || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY

weston --backend=x11-backend.so --socket=wayland-test --width=800 --height=600 --idle-time=0 \
    >"$work/weston.log" 2>&1 &
weston_pid=$!
retry 20 test -S "$XDG_RUNTIME_DIR/wayland-test" ||
    { echo "FAIL: weston did not start"; cat "$work/weston.log"; exit 1; }
compositor=
find_compositor() { compositor=$(xdotool search --class '^Weston Compositor$' 2>/dev/null | head -n 1); [ -n "$compositor" ]; }
retry 20 find_compositor || { echo "FAIL: no weston window"; exit 1; }
xdotool windowfocus --sync "$compositor"

WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland "$@"
