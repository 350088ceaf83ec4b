#!/usr/bin/env bash
# Runs one fuzzer for KESTAR_FUZZ_SECONDS seconds (30 unless set) from its seed corpus, in a
# scratch folder of its own that is made afresh. Fails on any crash, leak, timeout or
# sanitizer report; the input that caused it is kept in the scratch folder's artifacts/.
# Usage: run-fuzzer.sh FUZZER SCRATCH_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fuzzer=$(realpath "$1")
scratch=$(realpath -m "$2")
name=$(basename "$fuzzer")
seconds=${KESTAR_FUZZ_SECONDS:-30}

rm -rf "$scratch"
mkdir -p "$scratch/corpus" "$scratch/artifacts"
cp "$here/corpus/$name"/* "$scratch/corpus/"

options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=8192
         -print_final_stats=1 -artifact_prefix="$scratch/artifacts/")
[ -f "$here/$name.dict" ] && options+=(-dict="$here/$name.dict")

export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The fuzzers write and rename small files for every input: a folder in memory is much faster.
if tmp=$(mktemp -d /dev/shm/kestar-fuzz.XXXXXX 2>/dev/null); then
  trap 'rm -rf "$tmp"' EXIT
else
  tmp="$scratch/tmp"
  mkdir -p "$tmp"
fi
export TMPDIR="$tmp"
cd "$scratch"
"$fuzzer" "${options[@]}" "$scratch/corpus"
echo "corpus: $(ls "$scratch/corpus" | wc -l) inputs"
