#!/usr/bin/env bash
# Runs a libFuzzer target for a bounded time on a copy of its seed corpus.
# Usage: run.sh FUZZER SEED_DIR WORKING_DIR [SECONDS]
# A failing input is saved under WORKING_DIR as crash-*; copy it into the seed
# folder and it is replayed by the regular test suite from then on.
set -euo pipefail
fuzzer=$1 seeds=$2 workdir=$3 seconds=${4:-${FUZZ_SECONDS:-60}}
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp "$seeds"/* "$corpus"/
cd "$workdir"
"$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix="$PWD/" "$corpus" 2>&1 | tail -n 12
