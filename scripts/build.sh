#!/usr/bin/env bash
# build.sh <build dir> [cmake options...]: configure and build.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
# A compiler cache, when the machine has one, shares work between checkouts.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$here")}"
  # Debug info names the build folder; leaving it out of the key lets
  # checkouts side by side share their objects.
  export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
# KELT_JOBS caps the compile jobs where several checkouts build at once.
cmake --build "$dir" --parallel "${KELT_JOBS:-$(nproc)}"
