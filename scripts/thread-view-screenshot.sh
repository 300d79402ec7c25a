#!/usr/bin/env bash
# Manual check of the thread list view: builds the screenshot host, runs it
# on a virtual X display with a few threads running, and writes the picture
# to build/thread-view.png (or the path given) for a person to look at. Not
# part of the test command.
#   scripts/thread-view-screenshot.sh [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-build/thread-view.png}

cmake --preset default >/dev/null
cmake --build --preset default --target thread-view-screenshot
mkdir -p "$(dirname "$output")" build/thread-view-log
QT_QPA_PLATFORM=xcb QUILLET_LOG_DIR=build/thread-view-log \
  xvfb-run --auto-servernum --server-args="-screen 0 800x600x24" \
  build/default/bin/thread-view-screenshot "$output"
echo "thread list view: $output"
