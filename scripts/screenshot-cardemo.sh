#!/usr/bin/env bash
# Draws Cardemo's window on a virtual X display into docs/cardemo.png.
# Needs a build (cmake -S . -B build -G Ninja) and the packages of scripts/install-deps.sh
# (xvfb, xauth and the Chinese font fonts-wqy-zenhei).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target Cardemo
mkdir -p docs
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR="$runtime" xvfb-run -a -s "-screen 0 1024x768x24" \
  build/bin/Cardemo --screenshot docs/cardemo.png
echo "docs/cardemo.png written"
