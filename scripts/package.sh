#!/usr/bin/env bash
# Installs what is missing, builds KESTAR and makes its Debian package with CPack:
# build/kestar_<version>_<architecture>.deb, which installs with
#   sudo apt-get install ./build/kestar_*.deb
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
cd "$here/build"
rm -f kestar_*.deb
cpack -G DEB
ls -l "$here"/build/kestar_*.deb
