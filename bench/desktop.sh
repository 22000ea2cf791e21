#!/bin/bash
# The desktop program against mirelk-cli on the same files and settings, under a virtual
# display: N generated clips (default 300; 2 s, 320x240 MPEG-4 + MP2) converted on page "3GP"
# by the window (added as the command line adds them, then the tool bar's Convert) and by
# `mirelk-cli -f 3gp`; wall time and peak memory of each, and `mirelk-cli --info` on the same
# files against the window's adding.
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

read -r info_s info_mb < <(measured "$cli" --info "${files[@]}")
read -r cli_s cli_mb < <(measured "$cli" -q -y -f 3gp -o "$work/cli/" "${files[@]}")
read -r desk_s desk_mb < <(measured xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$run" "$work/desktop" "${files[@]}")
desk_line=$(grep '^adding' "$work/out.txt" || true)
printf '%d files on page 3GP\n' "$n"
printf '  mirelk-cli --info   %7s s  %4s MB peak\n' "$info_s" "$info_mb"
printf '  mirelk-cli -f 3gp   %7s s  %4s MB peak  (%d written)\n' "$cli_s" "$cli_mb" "$(find "$work/cli" -name '*.3gp' -size +1k | wc -l)"
printf '  desktop program     %7s s  %4s MB peak  (%d written; %s)\n' "$desk_s" "$desk_mb" \
    "$(find "$work/desktop" -name '*.3gp' -size +1k | wc -l)" "$desk_line"
printf '  desktop / cli: time %s, memory %s\n' "$(awk -v a="$desk_s" -v b="$cli_s" 'BEGIN { printf "%.2f", a / b }')" \
    "$(awk -v a="$desk_mb" -v b="$cli_mb" 'BEGIN { printf "%.2f", a / b }')"
