#!/usr/bin/env bash
# Start-up time and resident memory of Verzino beside a bare Qt window with the same menus,
# line edit and status bar, both under one private Xvfb, in alternating runs.
#
#   bench/measure-startup.sh [BUILD-DIR] [RUNS]
#
# BUILD-DIR is a build configured with -DVERZINO_BUILD_BENCH=ON (default: build/bench next to
# this folder), with the targets verzino, bench_bare_window and bench_startup_probe built.
# Start-up is the time from the exec until the X server maps the window (MapNotify, watched
# from outside), and the processor time the program had used by then (all threads, from
# /proc/PID/task/*/schedstat; steadier than the wall clock on a shared machine); memory is VmRSS
# and VmHWM from /proc once the window has been up for SETTLE_MS.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:-$here/../build/bench}
runs=${2:-30}
warmup=${WARMUP:-3}
settle_ms=${SETTLE_MS:-500}

probe=$build/bench/bench_startup_probe
bare=$build/bench/bench_bare_window
real=$build/app/verzino
for program in "$probe" "$bare" "$real"; do
    if [ ! -x "$program" ]; then
        echo "missing $program: build the targets verzino bench_bare_window bench_startup_probe" >&2
        exit 1
    fi
done
command -v Xvfb >/dev/null || { echo "Xvfb is needed (Debian package xvfb)" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }

# The same environment for both programs.
mkdir -m 700 "$work/runtime"
export DISPLAY=:$(head -n1 "$work/display")
export XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR

measure() { # name title program
    local result
    if ! result=$("$probe" "$2" "$settle_ms" "$3" 2>>"$work/programs.log"); then
        echo "a run of $3 failed:" >&2
        tail -n 5 "$work/programs.log" >&2
        exit 1
    fi
    sed -n "s/^shown_ms=\([0-9.]*\) cpu_ms=\([0-9.]*\) rss_kb=\([0-9]*\) hwm_kb=\([0-9]*\)$/\1 \2 \3 \4/p" \
        <<<"$result" >>"$work/$1"
}

bare_title="Finestra di confronto"
real_title="Verzino"
echo "Warming up ($warmup runs each, not counted)..."
for _ in $(seq "$warmup"); do
    measure warm "$bare_title" "$bare"
    measure warm "$real_title" "$real"
done
echo "Measuring $runs runs each, alternating..."
: >"$work/bare"
: >"$work/real"
for i in $(seq "$runs"); do
    if [ $((i % 2)) -eq 1 ]; then
        measure bare "$bare_title" "$bare"
        measure real "$real_title" "$real"
    else
        measure real "$real_title" "$real"
        measure bare "$bare_title" "$bare"
    fi
done
for name in bare real; do
    if [ "$(wc -l <"$work/$name")" -ne "$runs" ]; then
        echo "$name: only $(wc -l <"$work/$name") of $runs runs succeeded" >&2
        cat "$work/programs.log" >&2
        exit 1
    fi
done

stats() { # file column decimals -> "median mean min max"
    cut -d' ' -f"$2" "$1" | sort -n | awk -v d="$3" '
        { v[NR] = $1; sum += $1 }
        END {
            median = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            f = "%." d "f"
            printf f " " f " " f " " f, median, sum / NR, v[1], v[NR]
        }'
}

echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg)"
qt=$(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo unknown)
echo "Qt $qt, Xvfb $DISPLAY, $runs runs each after $warmup warm-up runs," \
    "memory read ${settle_ms} ms after the map"
printf '%-26s %34s %34s %8s\n' "" "bare Qt window" "Verzino" "ratio"
printf '%-26s %34s %34s %8s\n' "" "median (mean, min-max)" "median (mean, min-max)" "medians"
for column in 1:1:"exec to window shown, ms" 2:1:"CPU time until shown, ms" 3:0:"VmRSS, kB" \
    4:0:"VmHWM, kB"; do
    index=${column%%:*}
    decimals=${column#*:}
    decimals=${decimals%%:*}
    label=${column##*:}
    read -r bm ba bl bh <<<"$(stats "$work/bare" "$index" "$decimals")"
    read -r rm ra rl rh <<<"$(stats "$work/real" "$index" "$decimals")"
    printf '%-26s %34s %34s %8s\n' "$label" "$bm ($ba, $bl-$bh)" "$rm ($ra, $rl-$rh)" \
        "$(awk -v r="$rm" -v b="$bm" 'BEGIN { printf "%.3f", r / b }')"
done
