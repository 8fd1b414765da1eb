#!/usr/bin/env bash
# Builds the window and the tool and times the window opening large
# archives beside `unlha l` (bench/window_open.py --help for options).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build run test
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target unlha unlha32 morvane >/dev/null
exec python3 bench/window_open.py "$@"
