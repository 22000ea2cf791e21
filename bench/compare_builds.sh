#!/bin/bash
# Compares two builds of mirelk-cli on the same jobs, for changes that should not change speed
# (a rework of the code's shape). Wall-clock ratios against the ffmpeg tool move by ten percent
# from one run to the next on a shared machine; the number of instructions a conversion executes
# does not. Each job runs once per build under valgrind's callgrind (codecs on one thread, so the
# count repeats to a small fraction of a percent), and the counts and their ratio (B / A) are
# printed; then, for reference, the processor seconds of each build, best of ROUNDS taken in turns.
#
#   bench/compare_builds.sh BUILD_A BUILD_B          (ROUNDS=3 by default)
set -euo pipefail

[ $# -eq 2 ] || { echo "usage: $0 BUILD_A BUILD_B" >&2; exit 2; }
builds=("$1" "$2")
for build in "${builds[@]}"; do
    [ -x "$build/bin/mirelk-cli" ] || { echo "no $build/bin/mirelk-cli: build first" >&2; exit 1; }
done
command -v valgrind >/dev/null || { echo "needs valgrind" >&2; exit 1; }
rounds=${ROUNDS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -v error -y -f lavfi -i "testsrc=duration=3:size=640x360:rate=25" \
    -f lavfi -i "sine=duration=3:sample_rate=44100" -ac 2 -c:v mpeg4 -q:v 2 -c:a pcm_s16le "$work/clip.avi"
ffmpeg -nostdin -v error -y -f lavfi -i "sine=duration=1:sample_rate=44100" -ac 2 "$work/short.wav"
batch=()
for i in $(seq 1 20); do batch+=(-O "$work/b$i.mp3" "$work/short.wav"); done

# The jobs: a name, and the arguments of mirelk-cli after "-q -y -j 1".
job_names=("MPEG-4 + MP3 (AVI)" "H.264 + AAC (MP4)" "filter chain (AVI)" "batch of 20 to MP3")
job_arguments() {
    case $1 in
    0) args=(--output-options $'vcodec=mpeg4\nqscale=4\nacodec=libmp3lame\nab=128000\nthreads=1'
             -O "$work/out.avi" "$work/clip.avi") ;;
    1) args=(--output-options $'vcodec=libx264\npreset=veryfast\nacodec=aac\nab=128000\nthreads=1'
             -O "$work/out.mp4" "$work/clip.avi") ;;
    2) args=(--output-options $'vcodec=mpeg4\nqscale=5\nan\nthreads=1\nvfilters=vflip,hflip,negate,scale=320:180,rotate=45*PI/180,setpts=0.5*PTS'
             -O "$work/chain.avi" "$work/clip.avi") ;;
    3) args=(--output-options threads=1 "${batch[@]}") ;;
    esac
}

instructions() {
    local cli=$1; shift
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$cli" -q -y -j 1 "$@" 2>"$work/valgrind.txt" >/dev/null ||
        { cat "$work/valgrind.txt" >&2; exit 1; }
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/valgrind.txt"
}

seconds() {
    local cli=$1 TIMEFORMAT='%U %S' times; shift
    times=$( { time "$cli" -q -y -j 1 "$@" >/dev/null 2>&1; } 2>&1 )
    awk '{ printf "%.3f", $1 + $2 }' <<<"$times"
}

printf '%-20s %16s %16s %8s   %s\n' job "instructions A" "instructions B" "B / A" "processor s A, B (best of $rounds)"
for index in "${!job_names[@]}"; do
    name=${job_names[index]}
    job_arguments "$index"
    a=$(instructions "${builds[0]}/bin/mirelk-cli" "${args[@]}")
    b=$(instructions "${builds[1]}/bin/mirelk-cli" "${args[@]}")
    bestA=""
    bestB=""
    for ((round = 0; round < rounds; ++round)); do
        t=$(seconds "${builds[0]}/bin/mirelk-cli" "${args[@]}")
        bestA=$(awk -v x="$bestA" -v y="$t" 'BEGIN { print (x == "" || y < x) ? y : x }')
        t=$(seconds "${builds[1]}/bin/mirelk-cli" "${args[@]}")
        bestB=$(awk -v x="$bestB" -v y="$t" 'BEGIN { print (x == "" || y < x) ? y : x }')
    done
    printf '%-20s %16s %16s %8.4f   %.3f, %.3f\n' "$name" "$a" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { print b / a }')" \
        "$bestA" "$bestB"
done
