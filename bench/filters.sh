#!/bin/bash
# Times one filter chain through Mirelk's engine and through the ffmpeg tool, on the same
# generated clip, with the same encoder and settings, in the same run; prints both times and
# their ratio (engine / ffmpeg).
#
#   bench/filters.sh [BUILD_DIR] [CHAIN]
#
# BUILD_DIR defaults to build (its bin/filter_bench must be built); CHAIN defaults to a chain of
# flips, negation, a scaler, a rotation and a time change.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
chain=${2:-vflip,hflip,negate,scale=960:540,rotate=45*PI/180,setpts=0.5*PTS}
bench=$build/bin/filter_bench
[ -x "$bench" ] || { echo "no $bench: build the target filter_bench first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "the ffmpeg tool is needed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 10 s of 1280x720 at 25 pictures per second, coded nearly losslessly so that decoding it
# costs both sides the same.
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=duration=10:size=1280x720:rate=25 \
    -pix_fmt yuv420p -c:v mpeg4 -q:v 2 "$work/clip.avi"

# Wall-clock and processor seconds (user + system) of one command, as "WALL CPU".
measure() {
    local TIMEFORMAT='%R %U %S' times
    times=$( { time "$@" >/dev/null 2>"$work/stderr"; } 2>&1 ) || { cat "$work/stderr" >&2; exit 1; }
    awk '{ printf "%.3f %.3f", $1, $2 + $3 }' <<<"$times"
}
# The smaller of each field of two "WALL CPU" pairs (the first may be empty).
best() {
    if [ -z "$1" ]; then echo "$2"; return; fi
    awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " ");
        printf "%.3f %.3f", (x[1] < y[1] ? x[1] : y[1]), (x[2] < y[2] ? x[2] : y[2]) }'
}

# Each side converts once before it is timed, so that both read a clip the system has cached;
# then the two take turns, and the best of the rounds counts for each (other work on the
# machine only ever adds time).
"$bench" "$work/clip.avi" "$work/warm.avi" vcodec=mpeg4 qscale=5 "vfilters=$chain" >/dev/null
ffmpeg -nostdin -v error -y -i "$work/clip.avi" -vf "$chain" -c:v mpeg4 -q:v 5 "$work/warm.avi"

rounds=${ROUNDS:-3}
engine=
tool=
for ((round = 0; round < rounds; ++round)); do
    engine=$(best "$engine" "$(measure "$bench" "$work/clip.avi" "$work/mirelk.avi" vcodec=mpeg4 qscale=5 \
        "vfilters=$chain")")
    tool=$(best "$tool" "$(measure ffmpeg -nostdin -v error -y -i "$work/clip.avi" -vf "$chain" -c:v mpeg4 -q:v 5 \
        "$work/ffmpeg.avi")")
done

for side in mirelk ffmpeg; do
    [ -s "$work/$side.avi" ] || { echo "the $side conversion failed" >&2; exit 1; }
done

frames() {
    ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames,width,height \
        -of csv=p=0 "$1"
}
echo "chain:   $chain"
echo "clip:    10 s, 1280x720, 25 pictures per second; encoder mpeg4, qscale 5; best of $rounds rounds"
read -r engineWall engineCpu <<<"$engine"
read -r toolWall toolCpu <<<"$tool"
printf 'mirelk:  %6.3f s wall, %6.3f s processor  (width,height,pictures: %s)\n' "$engineWall" "$engineCpu" \
    "$(frames "$work/mirelk.avi")"
printf 'ffmpeg:  %6.3f s wall, %6.3f s processor  (width,height,pictures: %s)\n' "$toolWall" "$toolCpu" \
    "$(frames "$work/ffmpeg.avi")"
printf 'ratio:   %6.3f wall, %6.3f processor (mirelk / ffmpeg)\n' \
    "$(awk -v a="$engineWall" -v b="$toolWall" 'BEGIN { print a / b }')" \
    "$(awk -v a="$engineCpu" -v b="$toolCpu" 'BEGIN { print a / b }')"
# Both did the same work when they decode to the same pictures.
pictures() { ffmpeg -nostdin -v error -i "$1" -map 0:v -f framemd5 - | grep -v '^#' | cut -d, -f6; }
if [ "$(pictures "$work/mirelk.avi")" = "$(pictures "$work/ffmpeg.avi")" ]; then same=yes; else same=no; fi
echo "same decoded pictures: $same"
