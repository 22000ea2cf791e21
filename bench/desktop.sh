#!/bin/bash
# The desktop program against mirelk-cli on the same files and settings, under a virtual
# display: N generated clips (default 300; 2 s, 320x240 MPEG-4 + MP2) converted on page "3GP"
# by the window (added as the command line adds them, then the tool bar's Convert) and by
# `mirelk-cli -f 3gp`; wall time and peak memory of each, and `mirelk-cli --info` on the same
# files against the window's adding. Memory per row (desktop) and per task (mirelk-cli) is the
# growth of the peak from N/3 files to N, once as the programs run and once with one malloc arena
# (MALLOC_ARENA_MAX=1). Below some hundred files the growth is mostly glibc filling the arenas
# of the worker threads, the same for every later file, so the smaller run is not tiny.
#
#   bench/desktop.sh [BUILD_DIR] [N]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
n=${2:-300}
cli=$build/bin/mirelk-cli
run=$build/bin/desktop_run
for tool in "$cli" "$run"; do [ -x "$tool" ] || { echo "no $tool: build first" >&2; exit 1; }; done
command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time (package time)" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "needs xvfb-run (package xvfb)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=duration=2:size=320x240:rate=25" \
    -f lavfi -i "sine=duration=2:sample_rate=44100" -c:v mpeg4 -q:v 4 -c:a mp2 "$work/clip.avi"
mkdir -p "$work/in" "$work/cli" "$work/desktop"
files=()
for ((i = 1; i <= n; ++i)); do cp "$work/clip.avi" "$work/in/clip $i.avi"; files+=("$work/in/clip $i.avi"); done

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
# Runs a command under /usr/bin/time; prints "seconds peak-MB".
measured() {
    local start report=$work/time.txt
    start=$(now)
    /usr/bin/time -f '%M' -o "$report" "$@" >"$work/out.txt" 2>&1 || echo "  (exit status $?: $*)" >&2
    printf '%s %.0f\n' "$(since "$start")" "$(awk '{ print $1 / 1024 }' "$report")"
}

# The programs take turns, ROUNDS times (default 3); the best time of each counts, as this
# machine's neighbours slow single runs down by a third and more.
rounds=${ROUNDS:-3}
lesser() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
info_s="" cli_s="" desk_s="" add_s="" conv_s=""
for ((round = 1; round <= rounds; ++round)); do
    rm -rf "$work/desktop" "$work/cli" && mkdir -p "$work/desktop" "$work/cli"
    read -r s info_mb < <(measured "$cli" --info "${files[@]}")
    info_s=$(lesser "$info_s" "$s")
    read -r s cli_mb < <(measured "$cli" -q -y -f 3gp -o "$work/cli/" "${files[@]}")
    cli_s=$(lesser "$cli_s" "$s")
    cli_written=$(find "$work/cli" -name '*.3gp' -size +1k | wc -l)
    read -r s desk_mb < <(measured xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$run" "$work/desktop" "${files[@]}")
    desk_s=$(lesser "$desk_s" "$s")
    desk_written=$(find "$work/desktop" -name '*.3gp' -size +1k | wc -l)
    desk_line=$(grep '^adding' "$work/out.txt" || true)
    add_s=$(lesser "$add_s" "$(awk '{ print $2 }' <<<"$desk_line")")
    conv_s=$(lesser "$conv_s" "$(awk '{ print $5 }' <<<"$desk_line")")
done

# Peak memory of both programs on the first N/3 files and on all, with the environment given.
few=$((n / 3))
per_file() {
    local small_desk small_cli
    rm -rf "$work/desktop" "$work/cli" && mkdir -p "$work/desktop" "$work/cli"
    read -r _ small_desk < <(measured xvfb-run -a -s "-screen 0 1280x800x24" env "$@" QT_QPA_PLATFORM=xcb "$run" "$work/desktop" "${files[@]:0:$few}")
    read -r _ small_cli < <(measured env "$@" "$cli" -q -y -f 3gp -o "$work/cli/" "${files[@]:0:$few}")
    rm -rf "$work/desktop" "$work/cli" && mkdir -p "$work/desktop" "$work/cli"
    read -r _ big_desk < <(measured xvfb-run -a -s "-screen 0 1280x800x24" env "$@" QT_QPA_PLATFORM=xcb "$run" "$work/desktop" "${files[@]}")
    read -r _ big_cli < <(measured env "$@" "$cli" -q -y -f 3gp -o "$work/cli/" "${files[@]}")
    awk -v sd="$small_desk" -v bd="$big_desk" -v sc="$small_cli" -v bc="$big_cli" -v n="$n" -v f="$few" 'BEGIN {
        d = (bd - sd) * 1024 / (n - f); c = (bc - sc) * 1024 / (n - f)
        printf "desktop %.0f KB per row, mirelk-cli %.0f KB per task, ratio %.2f", d, c, (c > 0 ? d / c : 0) }'
}
if ((few > 0)); then
    memory_default=$(per_file LANG=C.UTF-8)
    memory_one_arena=$(per_file MALLOC_ARENA_MAX=1)
fi
printf '%d files on page 3GP, best of %d rounds\n' "$n" "$rounds"
printf '  mirelk-cli --info   %7s s  %4s MB peak\n' "$info_s" "$info_mb"
printf '  mirelk-cli -f 3gp   %7s s  %4s MB peak  (%d written)\n' "$cli_s" "$cli_mb" "$cli_written"
printf '  desktop program     %7s s  %4s MB peak  (%d written; last: %s)\n' "$desk_s" "$desk_mb" "$desk_written" "$desk_line"
printf '  desktop adding %s s, converting %s s\n' "$add_s" "$conv_s"
printf '  desktop / cli: whole %s, converting %s; adding / --info %s; memory %s\n' \
    "$(awk -v a="$desk_s" -v b="$cli_s" 'BEGIN { printf "%.2f", a / b }')" \
    "$(awk -v a="$conv_s" -v b="$cli_s" 'BEGIN { printf "%.2f", a / b }')" \
    "$(awk -v a="$add_s" -v b="$info_s" 'BEGIN { printf "%.2f", a / b }')" \
    "$(awk -v a="$desk_mb" -v b="$cli_mb" 'BEGIN { printf "%.2f", a / b }')"
if ((few > 0)); then
    printf '  memory per file (peak growth from %d to %d files):\n' "$few" "$n"
    printf '    as run:            %s\n' "$memory_default"
    printf '    one malloc arena:  %s\n' "$memory_one_arena"
fi
