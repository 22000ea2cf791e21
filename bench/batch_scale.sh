#!/bin/bash
# How a batch scales with its length, against the ffmpeg tool in the same run: 100 and 1,000
# small generated clips (2 s, 640x360 H.264 + AAC) to MP3 through one mirelk-cli -j 2 against
# one ffmpeg run per file, two at a time; time per file, the ratio, and mirelk-cli's peak memory.
# Then the peak memory of a list of 10,000 waiting tasks, and four 720p clips to H.264 with
# -j 1, -j 2 and -j 4 against ffmpeg runs two at a time.
#
#   bench/batch_scale.sh [BUILD_DIR] [COUNTS...]     (counts default to "100 1000")
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(100 1000)
cli=$build/bin/mirelk-cli
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time (package time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=duration=2:size=640x360:rate=25" \
    -f lavfi -i "sine=duration=2:sample_rate=44100" -ac 2 -c:v libx264 -preset veryfast -c:a aac "$work/clip.mp4"

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# Runs a command under /usr/bin/time; prints "seconds peak-MB".
measured() {
    local start report
    report=$work/time.txt
    start=$(now)
    /usr/bin/time -f '%M' -o "$report" "$@" >/dev/null 2>&1 || echo "  (exit status $?: $*)" >&2
    printf '%s %.0f\n' "$(since "$start")" "$(awk '{ print $1 / 1024 }' "$report")"
}

# A folder of n copies of the clip, with names that have blanks and Chinese characters.
make_inputs() {
    local n=$1 folder=$2 i
    mkdir -p "$folder/in 输入" "$folder/out 输出"
    for ((i = 1; i <= n; ++i)); do cp "$work/clip.mp4" "$folder/in 输入/片段 $i.mp4"; done
}

declare -A per_file
for n in "${counts[@]}"; do
    folder=$work/batch$n
    make_inputs "$n" "$folder"
    args=()
    for ((i = 1; i <= n; ++i)); do args+=(-O "$folder/out 输出/m$i.mp3" "$folder/in 输入/片段 $i.mp4"); done
    read -r ours peak < <(measured "$cli" -q -y -j 2 --output-options vn=1 "${args[@]}")
    done_count=$(find "$folder/out 输出" -name 'm*.mp3' -size +1k | wc -l)
    start=$(now)
    for ((i = 1; i <= n; ++i)); do printf '%s\0%s\0' "$folder/in 输入/片段 $i.mp4" "$folder/out 输出/f$i.mp3"; done |
        xargs -0 -n 2 -P 2 sh -c 'ffmpeg -nostdin -v error -y -i "$0" -vn "$1"'
    theirs=$(since "$start")
    per_file[$n]=$(awk -v t="$ours" -v n="$n" 'BEGIN { print t / n }')
    printf '%5d files: mirelk-cli -j 2 %7.2f s (%5.1f ms/file, %4.0f MB peak, %d written)  ffmpeg x2 %7.2f s (%5.1f ms/file)  ffmpeg/mirelk %s\n' \
        "$n" "$ours" "$(awk -v t="$ours" -v n="$n" 'BEGIN { print 1000 * t / n }')" "$peak" "$done_count" \
        "$theirs" "$(awk -v t="$theirs" -v n="$n" 'BEGIN { print 1000 * t / n }')" "$(ratio "$theirs" "$ours")"
    rm -rf "$folder"
done
if [ ${#counts[@]} -ge 2 ]; then
    first=${counts[0]}
    last=${counts[${#counts[@]} - 1]}
    printf '%d files take %s times as long as %d (the list is %s times as long)\n' "$last" \
        "$(awk -v a="${per_file[$last]}" -v b="${per_file[$first]}" -v m="$last" -v n="$first" 'BEGIN { printf "%.2f", a * m / (b * n) }')" \
        "$first" "$(ratio "$last" "$first")"
fi

# 10,000 waiting tasks: tiny inputs, so that the list, not the conversions, is what is measured.
folder=$work/waiting
mkdir -p "$folder/in" "$folder/out"
ffmpeg -nostdin -v error -y -f lavfi -i "sine=duration=0.05:sample_rate=8000" -ac 1 "$folder/tiny.wav"
args=()
for ((i = 1; i <= 10000; ++i)); do
    cp "$folder/tiny.wav" "$folder/in/$i.wav"
    args+=(-O "$folder/out/$i.wav" "$folder/in/$i.wav")
done
read -r seconds peak < <(measured "$cli" -q -y -j 2 "${args[@]}")
printf '10000 tiny files: %.2f s, %s MB peak, %d written\n' "$seconds" "$peak" "$(find "$folder/out" -name '*.wav' | wc -l)"
rm -rf "$folder"

# Four 720p clips to H.264: the codec threads of tasks that run at once share the processors.
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=duration=5:size=1280x720:rate=25" \
    -f lavfi -i "sine=duration=5:sample_rate=44100" -ac 2 -c:v mpeg4 -q:v 2 -c:a aac "$work/hd.mp4"
hd=()
for i in 1 2 3 4; do hd+=(-O "$work/hd$i.mp4" "$work/hd.mp4"); done
options=$'vcodec=libx264\npreset=veryfast\nacodec=aac'
start=$(now)
for i in 1 2 3 4; do printf '%s\0%s\0' "$work/hd.mp4" "$work/hf$i.mp4"; done |
    xargs -0 -n 2 -P 2 sh -c 'ffmpeg -nostdin -v error -y -i "$0" -c:v libx264 -preset veryfast -c:a aac "$1"'
theirs=$(since "$start")
printf '4 x 720p to H.264: ffmpeg x2 %.2f s' "$theirs"
for j in 1 2 4; do
    read -r ours peak < <(measured "$cli" -q -y -j "$j" --output-options "$options" "${hd[@]}")
    printf ' | -j %d %.2f s (ffmpeg/mirelk %s)' "$j" "$ours" "$(ratio "$theirs" "$ours")"
done
printf '\n'
