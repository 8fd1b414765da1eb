#!/usr/bin/env bash
# Builds the tools and runs the benchmark (bench/bench.py --help for options).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build test
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target unlha >/dev/null
exec python3 bench/bench.py "$@"
