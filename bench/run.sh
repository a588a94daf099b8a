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
echo "== memory";                   ./bench_memory "$root/tests/data/photos/uovo.jpg"

# The stamp reader on photos of 1, 3, 12 and 48 MP from the project's generator
# (made once, kept in the build folder; seed 900 is used by nothing else).
photos="$build/bench-photos"
for mp in 1 3 12 48; do
  count=$((mp == 48 ? 3 : 9))
  [[ -f "$photos/$mp/labels.tsv" ]] ||
    nice -n 19 "$root/scripts/gen-stamps.py" --seed 900 --count $count --tier medium --megapixels $mp --out "$photos/$mp"
done
echo "== stamp reader, 12 MP (its peak memory is the one to read)"; ./bench_read "$photos/12"
echo "== stamp reader, 1, 3 and 48 MP";                           ./bench_read "$photos/1" "$photos/3" "$photos/48"
