#!/usr/bin/env bash
# run.sh [seconds]: runs the MS data fuzz target through the project's
# fuzz script (scripts/fuzz.sh), which builds it with clang and keeps its
# corpus and findings outside the source tree. Findings, once fixed, go
# into fuzz/findings/ here, where the test run replays them.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
exec "$here/../../../scripts/fuzz.sh" "${1:-60}" ms_readers_fuzz
