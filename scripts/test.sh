#!/usr/bin/env bash
# Every test, built with AddressSanitizer and UndefinedBehaviorSanitizer;
# then the tests again, built by clang with its undefined-behaviour checks,
# which alone catch calls through pointers of the wrong function type.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
werror=OFF; [ "${CI:-}" = "true" ] && werror=ON
"$here/scripts/build.sh" "$here/build-asan" -DKELT_SANITIZE=ON -DKELT_WERROR=$werror -DKELT_BENCH=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$here/build-asan" && ctest --output-on-failure --parallel "$(nproc)" --timeout 600)
"$here/scripts/build.sh" "$here/build-ubsan-clang" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKELT_UBSAN_CLANG=ON -DKELT_BENCH=OFF
cd "$here/build-ubsan-clang"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
