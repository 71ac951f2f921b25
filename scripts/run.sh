#!/usr/bin/env bash
# Sets everything up and runs what exists of Tavolin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
echo
echo "The palette program is not built yet; running the shared-records tests instead."
ctest --test-dir build --output-on-failure
