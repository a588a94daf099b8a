#!/usr/bin/env bash
# Runs the README's recipe for the sqlcipher shell, word for word, on the
# built Kelvo.bmp, and expects the answer the README shows.
# Usage: recipe.sh README.md KELVO_BMP
set -euo pipefail
block=$(sed -n '/^\$ sqlcipher /,/^```$/p' "$1")
input=$(sed -n 's/^sqlite> //p' <<<"$block")
expected=$(sed -e '/^\$ sqlcipher /d' -e '/^sqlite> /d' -e '/^```$/d' <<<"$block")
[[ -n "$input" && -n "$expected" ]] || { echo "FAIL!  : no sqlcipher recipe in $1"; exit 1; }
actual=$(LC_ALL=C.UTF-8 sqlcipher -batch "$2" <<<"$input" 2>&1)
if [[ "$actual" == "$expected" ]]; then
  echo "1 passed, 0 failed"
else
  printf 'FAIL!  : the recipe printed\n%s\ninstead of\n%s\n0 passed, 1 failed\n' "$actual" "$expected"
  exit 1
fi
