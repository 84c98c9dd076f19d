#!/usr/bin/env bash
# When the graphical interface cannot start, the program says in Italian what failed, with Qt's
# own reason beside it, and ends with status 1 instead of Qt's abort. It names the plugin and the
# display that failed, from Qt's options as much as from the environment.
# Usage: e2e_no_display.sh VERZINO
set -uo pipefail

verzino=$1
# shellcheck source-path=SCRIPTDIR source=../support/e2e.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
e2e_workdir

# check WHAT FIRST-LINE-PATTERN QT-REASON-PATTERN ENV... [-- ARGUMENTS...]
check() {
    local what=$1 first=$2 reason=$3 environment=()
    shift 3
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        environment+=("$1")
        shift
    done
    shift $(($# > 0))
    timeout 30 env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work" \
        "${environment[@]}" "$verzino" "$@" >"$work/out" 2>"$work/err"
    local status=$?
    if [ "$status" -ne 1 ]; then
        echo "FAIL $what: exit status $status, expected 1"
        cat "$work/err"
        exit 1
    fi
    if ! head -n 1 "$work/err" | grep "^Verzino: .*$first" >/dev/null; then
        echo "FAIL $what: the first line should say '$first':"
        cat "$work/err"
        exit 1
    fi
    if [ -n "$reason" ] && ! grep -q "^  Qt: .*$reason" "$work/err"; then
        echo "FAIL $what: Qt's reason '$reason' is not reported:"
        cat "$work/err"
        exit 1
    fi
    echo "PASS $what: $(head -n 1 "$work/err")"
}

check "no DISPLAY" 'schermo' '' env -u DISPLAY
[ "$(wc -l <"$work/err")" -eq 1 ] || { echo "FAIL: more than one line without a display"; exit 1; }
# A display number no server listens on.
check "DISPLAY that cannot be opened" 'schermo grafico ":4095"' 'could not connect to display' \
    env DISPLAY=:4095
# A platform plugin that does not exist is no display problem.
check "missing platform plugin" 'piattaforma grafica "nosuch" non trovato' \
    'Could not find the Qt platform plugin "nosuch"' env DISPLAY=:4095 QT_QPA_PLATFORM=nosuch
if grep -q 'schermo' "$work/err"; then
    echo "FAIL: a missing plugin is reported as a display problem"
    exit 1
fi
# Qt's options name what failed, with or without DISPLAY.
check "-platform, no DISPLAY" 'piattaforma grafica "nosuch" non trovato' \
    'Could not find the Qt platform plugin "nosuch"' env -u DISPLAY -- -platform nosuch
check "-display over DISPLAY" 'schermo grafico ":4094"' 'could not connect to display :4094' \
    env DISPLAY=:4095 -- -display :4094
