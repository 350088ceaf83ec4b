#!/usr/bin/env bash
# Installs what is missing, builds KESTAR, prepares a demo installation in demo/ (the program
# with podaci/ and back-up/ beside it) and starts KESTAR there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
demo="$here/demo"
mkdir -p "$demo"
cp "$here/build/app/kestar" "$demo/kestar"
if [ ! -d "$demo/podaci" ]; then
  if [ -x "$here/build/tools/kestar-setup" ]; then
    "$here/build/tools/kestar-setup" new "$demo/podaci" --password 123 --demo
  else
    "$here/scripts/demo-textfiles.sh" "$demo/podaci"
  fi
fi
mkdir -p "$demo/back-up"
# The program expects the short date form dd/MM/yyyy and "." as decimal separator; Qt reads
# them from these variables (no generated system locale is needed).
regional=(LANG=en_GB.UTF-8 LC_ALL= LC_TIME=en_GB.UTF-8 LC_NUMERIC=en_GB.UTF-8)
cd "$demo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display here, so KESTAR cannot open its window."
  echo "The demo installation is ready in $demo. Start it under a virtual display with:"
  echo "  cd $demo && LANG=en_GB.UTF-8 xvfb-run -a ./kestar"
  echo "or take a screenshot of it with:"
  echo "  $here/scripts/screenshot.sh $demo /tmp/kestar.png"
  exit 0
fi
echo "Starting KESTAR in $demo (administrator password: 123)"
exec env "${regional[@]}" ./kestar
