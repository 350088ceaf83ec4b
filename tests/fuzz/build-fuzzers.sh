#!/usr/bin/env bash
# Configures and builds the fuzzers with clang into their own folder.
# Usage: build-fuzzers.sh BUILD_FOLDER [CLANG++]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
compiler=${2:-clang++}
if ! command -v "$compiler" >/dev/null; then
  echo "The fuzzers need $compiler (Debian packages clang and libclang-rt-14-dev)." >&2
  exit 1
fi
cmake -S "$here/project" -B "$build" -DCMAKE_CXX_COMPILER="$compiler" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2
