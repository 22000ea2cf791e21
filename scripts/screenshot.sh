#!/usr/bin/env bash
# Pictures of the desktop program under a virtual display of 1280x800: the main window after
# converting two generated clips on page "3GP" in English and Chinese and its page of today's
# formats, a run's end with a failed row, the about box, the option window (its format page with
# the presets and its quality page, in both languages) and a preview window during a run, into
# build/screenshots/; then the same at scale factors of 1.5 and 2 (names ending in "-scale1.5" and
# "-scale2").
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/screenshots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb build/bin/ui_screenshots "$out"
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1.5 build/bin/ui_screenshots "$out" -scale1.5
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 build/bin/ui_screenshots "$out" -scale2
ls -l "$out"/*.png
