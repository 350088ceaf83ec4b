#!/usr/bin/env bash
# Installs what is missing, builds KESTAR and runs every test through CTest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
cd "$here/build"
ctest --output-on-failure --timeout 900 -j"$(nproc)" "$@"
