#!/usr/bin/env bash
# The main job on an embedded default: makes a short clip (a test picture with a tone), then lets
# mirelk-cli convert it to MP4, to MPEG-4 in AVI with a filter chain, and to MP3,
# and describes what came out.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=build/bin/mirelk-cli
out=build/demo
mkdir -p "$out"

"$cli" --self-check | head -n 9
echo

clip="$out/clip.mkv"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=duration=5:size=640x360:rate=25 \
    -f lavfi -i sine=frequency=440:duration=5:sample_rate=44100 -c:v ffv1 -c:a flac "$clip"

# The libraries' own lines (on by default, --log-level info) would bury the progress here.
"$cli" -y --log-level error --output-options $'vcodec=libx264\nacodec=aac\npreset=veryfast' -O "$out/demo.mp4" "$clip"
"$cli" -y --log-level error --output-options vn -O "$out/demo.mp3" "$clip"
"$cli" -y --log-level error --output-options $'vcodec=mpeg4\nqscale=4\nvfilters=hflip,negate\nacodec=libmp3lame' \
    -O "$out/demo.avi" "$clip"
echo
"$cli" --info --json "$out/demo.mp4"
echo
for file in "$out/demo.mp4" "$out/demo.avi" "$out/demo.mp3"; do
    "$cli" --info "$file" | head -n 12
    echo
done

# The desktop program with the demo's files in its list; without a display, pictures of it.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Opening the desktop program (build/bin/mirelk) with the demo's files..."
    build/bin/mirelk "$clip" "$out/demo.mp4" "$out/demo.avi"
else
    bash scripts/screenshot.sh
fi
