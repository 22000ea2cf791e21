#!/bin/bash
# The cost of the output check against the conversion it checks: a batch of 100 generated
# clips (4 s, 320x240 MPEG-4 + MP2) converted by mirelk-cli -j 2 to MP4 (index read) and to
# MP3 (packets read), then the check alone on the 100 outputs, and a rerun of the batch with
# --skip-done, which does the check (and probes each input for its length) per output. Last, a
# batch killed with SIGKILL half-way and run again with --skip-done: what it skipped, what it
# converted again and how long it took.
#
#   bench/output_check.sh [BUILD_DIR] [COUNT]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
count=${2:-100}
cli=$build/bin/mirelk-cli
bench=$build/bench/check_bench
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
[ -x "$bench" ] || bench=$(find "$build" -name check_bench -type f -perm -u+x | head -1)
[ -x "$bench" ] || { echo "no check_bench in $build: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=duration=4:size=320x240:rate=25" \
    -f lavfi -i "sine=duration=4:sample_rate=44100" -c:v mpeg4 -c:a mp2 "$work/clip.mkv"
mkdir -p "$work/in"
for i in $(seq 1 "$count"); do ln "$work/clip.mkv" "$work/in/clip$i.mkv"; done

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }

for format in mp4 mp3; do
    out=$work/out-$format
    start=$(now)
    "$cli" -q -j 2 -f "$format" -o "$out" "$work"/in/*.mkv
    convert=$(since "$start")
    line=$("$bench" 4 "$out"/*)
    per=$(echo "$line" | sed 's/.*; \([0-9.]*\) ms a file/\1/')
    start=$(now)
    "$cli" -q -j 2 --skip-done -f "$format" -o "$out" "$work"/in/*.mkv
    skip=$(since "$start")
    awk -v f="$format" -v n="$count" -v c="$convert" -v p="$per" -v s="$skip" -v l="$line" 'BEGIN {
        printf "%s: %s\n", f, l
        printf "  conversion %.3f s for %d files (%.1f ms a file, two at a time); check %.3f ms a file = %.2f %% of a conversion\n",
               c, n, 1000 * c / n, p, 100 * p / (1000 * c * 2 / n)
        printf "  rerun with --skip-done: %.3f s for %d finished files (%.1f ms a file)\n", s, n, 1000 * s / n
    }'
done

# A crash half-way: the rerun skips what was finished and converts the rest.
out=$work/out-crash
"$cli" -q -j 2 -f mp4 -o "$out" "$work"/in/*.mkv & pid=$!
while [ "$(find "$out" -name '*_(new).mp4' 2>/dev/null | wc -l)" -lt $((count / 2)) ] && kill -0 $pid 2>/dev/null; do
    sleep 0.05
done
kill -KILL $pid 2>/dev/null || true
wait $pid 2>/dev/null || true
finished=$(find "$out" -name '*_(new).mp4' | wc -l)
parts=$(find "$out" -name '.*.mirelk-part.mp4' | wc -l)
start=$(now)
summary=$("$cli" -q --json -j 2 --skip-done -f mp4 -o "$out" "$work"/in/*.mkv | grep '"summary"')
rerun=$(since "$start")
left=$(find "$out" -name '.*.mirelk-part.*' | wc -l)
echo "crash: killed with $finished finished outputs and $parts part files; rerun with --skip-done $rerun s: $summary; part files left: $left"
