# shellcheck shell=bash
# Shared pieces of the shell tests that install the build and drive the installed programs,
# most of them on a private X server. Sourced by the scripts, never run:
#   source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e.sh"
# Works with and without `set -e`. A script that counts failures instead of stopping at the
# first defines its own fail() after sourcing this file.

# e2e_require_tools TOOL...: ends the test at once when a tool it needs is missing.
e2e_require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
    done
}

# The setup steps below stop the test with this, whatever fail() the script defines.
e2e_fail() {
    echo "FAIL: $*"
    exit 1
}

fail() { e2e_fail "$@"; }

# The program under test, if the script started it (killed at exit; clear it once it has
# ended), the file its output goes to (shown when the test fails), the servers started for it
# (stopped at exit, last started first) and the functions e2e_on_cleanup added (run with the
# exit status, before $work is removed).
app_pid=
app_log=
e2e_servers=()
e2e_cleanup_hooks=()

e2e_on_cleanup() { e2e_cleanup_hooks+=("$1"); }

# e2e_stop_at_exit PID: a server started in the background, stopped and waited for at exit.
e2e_stop_at_exit() { e2e_servers+=("$1"); }

e2e_cleanup() {
    local status=$? i hook
    if [ "$status" -ne 0 ] && [ -s "$app_log" ]; then
        echo "Output of the program under test:"
        sed 's/^/  /' "$app_log"
    fi
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null || true
    fi
    for ((i = ${#e2e_servers[@]} - 1; i >= 0; i--)); do
        if kill "${e2e_servers[i]}" 2>/dev/null; then
            wait "${e2e_servers[i]}" 2>/dev/null || true
        fi
    done
    for hook in "${e2e_cleanup_hooks[@]}"; do
        "$hook" "$status" || true
    done
    rm -rf "$work"
    exit "$status"
}

# e2e_workdir: $work, a scratch folder removed at exit, when the cleanup above runs.
e2e_workdir() {
    work=$(mktemp -d) || e2e_fail "mktemp -d failed"
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM
}

# retry SECONDS COMMAND...: runs the command again every tenth of a second until it succeeds,
# for at most SECONDS seconds. Gives up at once when the program under test has ended: nothing
# it was waiting for can come any more. Says so on standard error, as a wait is often inside
# $(...).
retry() {
    local tries=$(($1 * 10))
    shift
    while ((tries-- > 0)); do
        "$@" && return 0
        if ! app_running; then
            echo "the program under test (pid $app_pid) has ended" >&2
            return 1
        fi
        sleep 0.1
    done
    return 1
}

# app_running: no program under test, or it has not ended. The shell reaps its ended
# children, so kill -0 fails for them.
app_running() { [ -z "$app_pid" ] || kill -0 "$app_pid" 2>/dev/null; }

# e2e_launch COMMAND...: starts the program under test in the background, its output in
# $work/verzino.log (shown if the test fails); sets app_pid.
e2e_launch() {
    app_log=$work/verzino.log
    "$@" >"$app_log" 2>&1 &
    app_pid=$!
}

# e2e_install BUILD [CMAKE]: installs the build into $work/prefix and sets $prefix to it.
e2e_install() {
    local build=$1 cmake=${2:-cmake}
    prefix=$work/prefix
    timeout 120 "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
        cat "$work/install.log"
        e2e_fail "cmake --install failed"
    }
}

# e2e_start_xvfb: a private X server on a free display number, which it writes to the file
# when it is ready; sets DISPLAY and xvfb_pid. Stopped at exit. -noreset: by default the server
# resets when its last client leaves (between two xdotool calls, say), which drops a client
# still connecting and forgets the keyboard layout set with setxkbmap.
e2e_start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
        2>"$work/xvfb.log" &
    xvfb_pid=$!
    e2e_stop_at_exit "$xvfb_pid"
    retry 20 test -s "$work/display" || e2e_fail "Xvfb did not start"
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
}

# e2e_runtime_dir: a private XDG_RUNTIME_DIR, as the session would give the program.
e2e_runtime_dir() {
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}

# Shown windows found by xdotool search ARGS..., on the private X server.
windows_found() { xdotool search --onlyvisible "$@" 2>/dev/null; }
windows_named() { windows_found --name "$1"; }
# wait_for_window SECONDS ARGS...: the first shown window xdotool search ARGS... finds, once
# there is one.
wait_for_window() {
    local seconds=$1
    shift
    retry "$seconds" windows_found "$@" >/dev/null || return 1
    windows_found "$@" | head -n 1
}
# window_named PATTERN SECONDS: the first window whose title matches, once one is shown.
window_named() { wait_for_window "$2" --name "$1"; }
window_gone() { ! windows_named "$1" >/dev/null; }
# The windows of the program under test; one more means a menu or dialog opened.
visible_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l; }
more_windows_than() { [ "$(visible_windows)" -gt "$1" ]; }

# clipboard_holds TEXT: sets $clipboard to what the clipboard holds, for the failure message.
clipboard_holds() {
    clipboard=$(timeout 2 xclip -o -selection clipboard 2>>"$work/xclip.log") || return 1
    [ "$clipboard" = "$1" ]
}

# status_reads TEXT NAME: the status bar of window $main, the client area's bottom 25 pixels,
# is pixel for pixel the same status bar drawn by $render_status with TEXT. The screenshots
# are kept in $work under NAME.
# shellcheck disable=SC2154 # main and render_status are the calling script's
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
