#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds into build/, and runs
# every test: the unit and integration tests through CTest (the window's
# end-to-end test under Xvfb and the Debian package's, which installs and
# purges it as root, included), then the library's and the tools' tests again
# under the sanitizers, then the fuzzers for about a minute.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh build run test package
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j2 --timeout 900
scripts/sanitize.sh build/unlha-sfx
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
echo "test.sh: all tests passed"
