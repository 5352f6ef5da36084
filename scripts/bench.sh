#!/usr/bin/env bash
# Runs every benchmark (optimised build) and prints the ratios.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" "$here/build-bench" -DCMAKE_BUILD_TYPE=Release -DKELT_TESTS=OFF
export KELT_ROOT="$here/build-bench/bench-root"
for b in "$here"/build-bench/bin/*_bench; do "$b" --benchmark_min_time=0.2; done
