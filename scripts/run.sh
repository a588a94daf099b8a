#!/usr/bin/env bash
# Installs what is missing, builds Zelmora and starts it on the bundled Kelvo.bmp.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --parallel "$(nproc)"
# The program looks for Kelvo.bmp in its working directory.
cd "$root/build/bin"
exec ./zelmora
