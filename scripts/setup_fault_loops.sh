#!/usr/bin/env bash
# setup_fault_loops.sh [build dir] [points]: the installer's kill and
# full-disk loops in full. The sample update is run again and again, each
# time in a workstation of its own: killed (SIGKILL) at the start of its
# Nth file call, or meeting a full disk from its Nth write, for every N of
# a run ("all", the default) or for that many points spread over it. After
# every fault the uninstaller must bring back the workstation byte for
# byte, and so must a rerun followed by the uninstaller; a run that meets a
# full disk must fail or finish. The loops are the setup tests'
# SetupFaultLoops, which run a short spread with the other tests.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-asan}"
points="${2:-all}"
tests="$build/bin/setup_tests"
for program in "$tests" "$build/bin/setup" "$build/bin/uninstal"; do
  [ -x "$program" ] || { echo "setup_fault_loops: no $program (build setup_tests first)" >&2; exit 2; }
done
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export KELT_SETUP_FAULT_POINTS="$points"
echo "setup_fault_loops: $points point(s) of each loop"
"$tests" --gtest_filter='SetupFaultLoops.*'
