#!/usr/bin/env bash
# The main job: the host on sample data, in a workstation root of its own.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" "$here/build" -DKELT_TESTS=OFF -DKELT_BENCH=OFF
export KELT_ROOT="$here/build/sample-root"
rm -rf "$KELT_ROOT"
"$here/build/bin/kelt_host" demo
