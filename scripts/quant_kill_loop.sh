#!/usr/bin/env bash
# quant_kill_loop.sh [build dir] [kills]: quantitates a processed run again
# and again, killing the host (SIGKILL) at spread-out moments of the run.
# After every kill the data file must hold either its earlier results,
# unchanged, or complete new ones whose sections hold together, never a
# mix; and no claim may be left on the data file or the method.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-asan}"
kills="${2:-40}"
host="$build/bin/kelt_host"
[ -x "$host" ] || { echo "quant_kill_loop: no $host (build kelt_host first)" >&2; exit 2; }

root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
export KELT_ROOT="$root"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
data='C:\Data\run.kms'
method='C:\Data\run.mth'

"$host" make-sample "$data" processed >/dev/null
"$host" quantitate "$data" "$method" >/dev/null

# How long one run takes, in milliseconds.
start=$(date +%s%N)
"$host" quantitate "$data" "$method" >/dev/null
span=$(( ($(date +%s%N) - start) / 1000000 ))
echo "quant_kill_loop: one run takes ${span} ms; ${kills} kills spread over it"

sections() { "$host" results "$data" | sed -n 's/^sections //p'; }

failures=0 old=0 new=0
for ((i = 0; i < kills; i++)); do
  before="$(sections)"
  # Moments from the very start to a little past the end of a run.
  delay=$(( i * (span + span / 5) / kills ))
  "$host" quantitate "$data" "$method" >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if ! report="$("$host" results "$data" 2>&1)"; then
    echo "quant_kill_loop: after a kill at ${delay} ms the results do not hold together:" >&2
    echo "$report" >&2
    failures=$((failures + 1))
    continue
  fi
  after="$(sections)"
  read -r r0 q0 t0 <<<"$before"
  read -r r1 q1 t1 <<<"$after"
  if [ "$r1" = "$r0" ]; then
    # Earlier results: the other two sections must be the earlier ones too.
    if [ "$q1" != "$q0" ] || [ "$t1" != "$t0" ]; then
      echo "quant_kill_loop: after a kill at ${delay} ms the earlier results stand beside new sections" >&2
      failures=$((failures + 1))
    fi
    old=$((old + 1))
  else
    new=$((new + 1))
  fi
done
# The files are free: a last run completes without waiting for a claim.
"$host" quantitate "$data" "$method" >/dev/null
"$host" results "$data" >/dev/null
echo "quant_kill_loop: ${kills} kills: ${old} left the earlier results, ${new} the new ones; ${failures} failures"
[ "$failures" -eq 0 ]
