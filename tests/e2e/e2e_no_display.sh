#!/usr/bin/env bash
# Without a display to open, the program says so in one line and ends with status 1, instead
# of Qt's abort.
# Usage: e2e_no_display.sh VERZINO
set -uo pipefail

verzino=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check() {
    local what=$1
    shift
    timeout 30 env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work" "$@" \
        "$verzino" >"$work/out" 2>"$work/err"
    local status=$?
    if [ "$status" -ne 1 ]; then
        echo "FAIL $what: exit status $status, expected 1"
        cat "$work/err"
        exit 1
    fi
    if [ "$(wc -l <"$work/err")" -ne 1 ] || ! grep -q 'schermo' "$work/err"; then
        echo "FAIL $what: stderr should be one line about the display:"
        cat "$work/err"
        exit 1
    fi
    echo "PASS $what: $(cat "$work/err")"
}

check "no DISPLAY" env -u DISPLAY
# A display number no server listens on.
check "DISPLAY that cannot be opened" env DISPLAY=:4095
