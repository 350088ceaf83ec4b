#!/usr/bin/env bash
# Starts KESTAR under a virtual display on an installation folder and saves a screenshot.
#   scripts/screenshot.sh INSTALL_FOLDER OUT.png [SECONDS] [ACTIONS]
# The program runs in INSTALL_FOLDER (which holds podaci/ and back-up/). After SECONDS
# (default 3) the ACTIONS are run as shell commands, usually xdotool, e.g.
#   "xdotool type 123; xdotool key Return; sleep 1; xdotool mousemove 300 200 click 1"
# then the screen is saved and the program ended.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
folder=$(cd "$1" && pwd)
out=$(realpath -m "$2")
wait=${3:-3}
actions=${4:-}
binary=${KESTAR_BINARY:-$here/build/app/kestar}
for tool in xvfb-run import xdotool; do
  command -v "$tool" >/dev/null || { echo "missing $tool: apt-get install xvfb imagemagick xdotool" >&2; exit 1; }
done
env LANG=en_GB.UTF-8 LC_ALL= LC_TIME=en_GB.UTF-8 LC_NUMERIC=en_GB.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  cd "$1"; "$2" & pid=$!
  sleep "$3"
  if [ -n "$4" ]; then eval "$4"; sleep 1; fi
  import -window root "$0"
  kill $pid 2>/dev/null || true
' "$out" "$folder" "$binary" "$wait" "$actions"
echo "saved $out"
