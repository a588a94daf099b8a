#!/usr/bin/env bash
# Installs what is missing, builds Zelmora with warnings as errors and runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build-test"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMORA_WERROR=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
ctest --output-on-failure --timeout 300
