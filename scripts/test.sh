#!/usr/bin/env bash
# Installs what is missing, builds KESTAR and runs every test through CTest, beside a throwaway
# PostgreSQL cluster (with-pg.sh) so that the tests labelled postgres run too.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
cd "$here/build"
"$here/scripts/with-pg.sh" ctest --output-on-failure --timeout 900 -j"$(nproc)" "$@"
