#!/usr/bin/env bash
# fuzz.sh [seconds per target] [name filter]: builds every libFuzzer target
# with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each for the given time (default 60 s). Everything it makes lies
# outside the source tree, under $KELT_FUZZ_DIR (default /tmp/kelt-fuzz):
#   build/               the clang build
#   corpus/<target>/     the growing corpus, seeded from fixture files
#   findings/<target>/   inputs that broke a promise or crashed
# A finding is fixed, then copied into the target's fuzz/regressions/
# folder beside the reader, where the normal test run replays it.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
secs="${1:-60}"
filter="${2:-}"
out="${KELT_FUZZ_DIR:-/tmp/kelt-fuzz}"
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed" >&2; exit 1; }
# Shared libraries carry sanitizer code too: they link clang's shared runtime.
rt="$(dirname "$(clang++ -print-file-name=libclang_rt.asan-x86_64.so)")"
link="-fsanitize=address,undefined -shared-libsan -Wl,-rpath,$rt"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
  -DKELT_TESTS=OFF -DKELT_BENCH=OFF -DKELT_FUZZ=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="$link" -DCMAKE_SHARED_LINKER_FLAGS="$link" >/dev/null
mapfile -t targets < <(cmake --build "$out/build" --target help | sed -n 's/^\([a-z0-9_]*_fuzz\):.*/\1/p' | sort -u)
[ -n "$filter" ] && mapfile -t targets < <(printf '%s\n' "${targets[@]}" | grep -- "$filter")
extra=()
for t in "${targets[@]}"; do
  cmake --build "$out/build" --target help | grep -q "^${t}_seeds:" && extra+=("${t}_seeds")
done
cmake --build "$out/build" -j4 --target "${targets[@]}" $(printf '%s_replay ' "${targets[@]}") "${extra[@]}"
bin="$out/build/bin"
# The shared runtime is loaded by the programs' own library list.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}:verify_asan_link_order=0"
export KELT_BIN_DIR="$bin"
status=0
for t in "${targets[@]}"; do
  corpus="$out/corpus/$t" findings="$out/findings/$t"
  mkdir -p "$corpus" "$findings"
  "$bin/${t}_replay" --seeds "$corpus" >/dev/null 2>&1 || true
  [ -x "$bin/${t}_seeds" ] && "$bin/${t}_seeds" "$corpus"
  # The inputs kept beside the target start every run too (read only:
  # libFuzzer adds to the first folder alone).
  saved=()
  src="$(find "$here" -path "$out" -prune -o -path "*/fuzz/$t.cpp" -print -quit)"
  for d in regressions findings; do
    [ -n "$src" ] && [ -d "$(dirname "$src")/$d" ] && saved+=("$(dirname "$src")/$d")
  done
  echo "== $t for ${secs}s"
  "$bin/$t" -max_total_time="$secs" -max_len=1000000 -rss_limit_mb=4096 \
    -timeout=20 -artifact_prefix="$findings/" "$corpus" "${saved[@]}" 2>&1 | tail -n 5 || status=1
  ls -1 "$findings" | sed "s|^|   finding: $findings/|"
done
exit $status
