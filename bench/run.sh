#!/usr/bin/env bash
# Builds and runs every benchmark, in a private Xvfb with openbox when there is
# no display. Usage: bench/run.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc)" >/dev/null

source "$root/scripts/xsession.sh"
[[ -n "${DISPLAY:-}" ]] || xsession_start
export QT_QPA_PLATFORM=xcb

cd "$build/bin"
echo "== origin lookup";            ./bench_lookup
echo "== start-up";                 ./bench_startup
echo "== search";                   ./bench_search
echo "== idle CPU";                 ./bench_idle
echo "== memory";                   ./bench_memory
