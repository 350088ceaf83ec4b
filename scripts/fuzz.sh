#!/usr/bin/env bash
# Builds the fuzzers with clang and runs both side by side for SECONDS seconds (default 600).
# Logs, the grown corpora and any crashing input go to BUILD_FOLDER/fuzz/<fuzzer>/.
# Usage: scripts/fuzz.sh [SECONDS [BUILD_FOLDER]]   (BUILD_FOLDER defaults to build/)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
build=$(realpath -m "${2:-$here/build}")
out="$build/fuzz"
"$here/tests/fuzz/build-fuzzers.sh" "$build/fuzz-clang"
mkdir -p "$out"
pids=()
for fuzzer in fuzz_sql fuzz_textfiles; do
  KESTAR_FUZZ_SECONDS=$seconds "$here/tests/fuzz/run-fuzzer.sh" "$build/fuzz-clang/$fuzzer" \
    "$out/$fuzzer" >"$out/$fuzzer.log" 2>&1 &
  pids+=($!)
done
status=0
for i in 0 1; do
  fuzzer=$([ "$i" -eq 0 ] && echo fuzz_sql || echo fuzz_textfiles)
  if wait "${pids[$i]}"; then
    echo "$fuzzer: no findings"
  else
    echo "$fuzzer: FAILED, see $out/$fuzzer.log and $out/$fuzzer/artifacts/"
    status=1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)|^corpus:' "$out/$fuzzer.log" || true
done
exit $status
