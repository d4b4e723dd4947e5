#!/usr/bin/env bash
# Shows each window of NorvikDoorLock on a virtual X display (Xvfb) with a
# Chinese font and writes a PNG picture of it into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja > /dev/null
cmake --build build --target norvik-window-shots
mkdir -p docs
XDG_RUNTIME_DIR="$(mktemp -d)" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/norvik-window-shots docs
