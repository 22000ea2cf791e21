#!/bin/bash
# Times whole conversions through mirelk-cli and through the ffmpeg tool on the same generated
# clip, in the same run, and prints the times and their ratios (mirelk / ffmpeg); then a batch of
# four conversions with -j 1 against -j 2.
#
#   bench/transcode.sh [BUILD_DIR] [SECONDS]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
seconds=${2:-30}
cli=$build/bin/mirelk-cli
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=duration=$seconds:size=1280x720:rate=25" \
    -f lavfi -i "sine=duration=$seconds:sample_rate=44100" -ac 2 -c:v mpeg4 -q:v 2 -c:a pcm_s16le "$work/clip.avi"

wall() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

compare() {
    local name=$1 ext=$2 ours=$3; shift 3
    local mirelk ffmpeg1 ffmpegN
    mirelk=$(wall "$cli" -q -y --output-options "$ours" -O "$work/m.$ext" "$work/clip.avi")
    ffmpeg1=$(wall ffmpeg -nostdin -v error -y -threads 1 -i "$work/clip.avi" "$@" "$work/f1.$ext")
    ffmpegN=$(wall ffmpeg -nostdin -v error -y -i "$work/clip.avi" "$@" "$work/fn.$ext")
    printf '%-22s mirelk %6.2f s  ffmpeg -threads 1 %6.2f s (ratio %.2f)  ffmpeg %6.2f s (ratio %.2f)\n' \
        "$name" "$mirelk" "$ffmpeg1" "$(ratio "$mirelk" "$ffmpeg1")" "$ffmpegN" "$(ratio "$mirelk" "$ffmpegN")"
}

compare "MPEG-4 + MP3 (AVI)" avi $'vcodec=mpeg4\nqscale=4\nacodec=libmp3lame\nab=128000' \
    -c:v mpeg4 -q:v 4 -c:a libmp3lame -b:a 128k
compare "H.264 + AAC (MP4)" mp4 $'vcodec=libx264\npreset=veryfast\nacodec=aac\nab=128000' \
    -c:v libx264 -preset veryfast -c:a aac -b:a 128k

batch=()
for i in 1 2 3 4; do batch+=(-O "$work/b$i.mp3" "$work/clip.avi"); done
one=$(wall "$cli" -q -y -j 1 --output-options vn "${batch[@]}")
two=$(wall "$cli" -q -y -j 2 --output-options vn "${batch[@]}")
printf '%-22s -j 1 %6.2f s  -j 2 %6.2f s  speed-up %.2f\n' "batch of 4 to MP3" "$one" "$two" "$(ratio "$one" "$two")"
