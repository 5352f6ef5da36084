#!/usr/bin/env bash
# run.sh [seconds]: builds the fuzz target with clang (libFuzzer, ASan,
# UBSan) and runs it over the corpus for the given time (default 60 s).
# New findings land in fuzz/findings/; they stay there as inputs every
# later run starts from, and each gets a unit test of its own.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
secs="${1:-60}"
out="${FUZZ_BUILD_DIR:-/tmp/quorna-fuzz}"
mkdir -p "$out" "$here/corpus" "$here/findings"
srcs=("$root/platform/quorna/list_text.cpp" "$root/platform/quorna/ms_image.cpp"
      "$root/platform/quorna/ms_reading.cpp" "$root/platform/quorna/centroid_engine.cpp")
flags=(-std=c++20 -O1 -g -I"$root" -I"$root/platform" -DQUORNA_BUILDING)
clang++ "${flags[@]}" -fsanitize=address,undefined "${srcs[@]}" "$here/make_seeds.cpp" -o "$out/make_seeds"
"$out/make_seeds" "$here/corpus"
clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  "${srcs[@]}" "$here/ms_readers_fuzz.cpp" -o "$out/ms_readers_fuzz"
"$out/ms_readers_fuzz" -max_total_time="$secs" -max_len=200000 -artifact_prefix="$here/findings/" \
  "$out/corpus-run" "$here/corpus" "$here/findings" 2>&1 | tail -n 20
