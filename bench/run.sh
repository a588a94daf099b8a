#!/usr/bin/env bash
# Builds and runs every benchmark, in a fresh Xvfb with openbox when there is
# no display. Usage: bench/run.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc)" >/dev/null

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
if [[ -z "${DISPLAY:-}" ]]; then
  display=":$((100 + RANDOM % 400))"
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
fi
export QT_QPA_PLATFORM=xcb

cd "$build/bin"
echo "== origin lookup";            ./bench_lookup
echo "== start-up";                 ./bench_startup
echo "== search";                   ./bench_search
echo "== idle CPU";                 ./bench_idle
echo "== memory";                   ./bench_memory
