#!/bin/bash
# Converts a generated 720p clip to each of today's targets through mirelk-cli (by the form's
# rules, with their default quality) and through the ffmpeg tool with the same codec settings,
# in the same run, and prints wall and processor times with their ratios (mirelk / ffmpeg) and
# the sizes of both outputs.
#
#   bench/modern.sh [BUILD_DIR] [SECONDS]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
seconds=${2:-10}
cli=$build/bin/mirelk-cli
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs GNU time (/usr/bin/time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=duration=$seconds:size=1280x720:rate=25" \
    -f lavfi -i "sine=duration=$seconds:sample_rate=44100" -ac 2 -c:v mpeg4 -q:v 2 -c:a pcm_s16le "$work/clip.avi"

# "wall user+system" seconds of a command.
times_of() {
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1
    awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

printf '%-10s %17s %17s %13s %13s %11s %11s\n' target "wall m/f (s)" "cpu m/f (s)" "wall ratio" "cpu ratio" \
    "mirelk B" "ffmpeg B"
compare() {
    local format=$1 file=$2; shift 2
    rm -rf "$work/m" && mkdir -p "$work/m"
    read -r mw mc < <(times_of "$cli" -q -y -j 1 -f "$format" -o "$work/m" "$work/clip.avi")
    read -r fw fc < <(times_of ffmpeg -nostdin -v error -y -i "$work/clip.avi" "$@" "$work/f.${file##*.}")
    printf '%-10s %8s /%7s %8s /%7s %13s %13s %11s %11s\n' "$format" "$mw" "$fw" "$mc" "$fc" "$(ratio "$mw" "$fw")" \
        "$(ratio "$mc" "$fc")" "$(stat -c %s "$work/m/$file")" "$(stat -c %s "$work/f.${file##*.}")"
}

# Per channel: Opus 64 kbit/s, AAC 96; the clip's sound has two channels.
compare webm "clip_(new).webm" -c:v libvpx-vp9 -crf 31 -b:v 0 -c:a libopus -b:a 128k -ar 48000
compare mp4-hevc "clip_(new)_hevc.mp4" -c:v libx265 -crf 24 -tag:v hvc1 -c:a aac -b:a 192k
compare mkv-av1 "clip_(new)_av1.mkv" -c:v libsvtav1 -crf 30 -c:a libopus -b:a 128k -ar 48000
compare mp4-av1 "clip_(new)_av1.mp4" -c:v libsvtav1 -crf 30 -c:a aac -b:a 192k
compare flac "clip_(new).flac" -vn -c:a flac
compare opus "clip_(new).opus" -vn -c:a libopus -b:a 128k -ar 48000
compare m4a-alac "clip_(new)_alac.m4a" -vn -c:a alac
compare m4a "clip_(new).m4a" -vn -c:a aac -b:a 192k
compare gif "clip_(new).gif" -an -vf "scale=480:270,fps=15,split[a][b];[a]palettegen[p];[b][p]paletteuse" -c:v gif
