#!/usr/bin/env bash
# The whole test suite once more under AddressSanitizer, UndefinedBehaviorSanitizer
# and LeakSanitizer, then each libFuzzer target for a bounded time
# (FUZZ_SECONDS, 60 by default). Fails on any sanitizer report or fuzzer failure.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"

# intercept_tls_get_addr=0: the sanitizer runtimes of GCC 12 and clang 14 may take a
# thread's dynamic TLS block for an old glibc's and hand the leak check's tracer a
# wrong range, which it dies reading at exit ("Tracer caught signal 11"). Without
# the interceptor the check has more to report, never less.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== sanitizers"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DZELMORA_SANITIZE=ON \
  -DZELMORA_WERROR=ON >/dev/null
cmake --build "$root/build-asan" --parallel "$(nproc)"
# The package check would only repackage the same program.
(cd "$root/build-asan" && ctest --output-on-failure --timeout 600 -E '^package$')

echo "== fuzzing"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMORA_WERROR=ON \
  -DZELMORA_FUZZ=ON -DFUZZ_SECONDS="${FUZZ_SECONDS:-60}" >/dev/null
cmake --build "$root/build-fuzz" --parallel "$(nproc)" --target fuzz_eggcode fuzz_originlookup fuzz_photoreader kelvo
cd "$root/build-fuzz"
ctest --output-on-failure -L fuzz
