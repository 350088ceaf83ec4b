#!/usr/bin/env bash
# Configures and builds KESTAR into build/ (Release with debug information).
# Uses ccache when the machine has it, so rebuilds of unchanged files are quick.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$here}"
fi
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build "$here/build" -j"$(nproc)"
