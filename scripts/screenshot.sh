#!/usr/bin/env bash
# Pictures of the desktop program under a virtual display: the main window after converting two
# generated clips on page "3GP", the about box, the option window and a preview window during a
# run, into build/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/screenshots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb build/bin/ui_screenshots "$out"
ls -l "$out"/*.png
