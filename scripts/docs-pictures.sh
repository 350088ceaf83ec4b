#!/usr/bin/env bash
# Makes the pictures of the README in docs/ with scripts/screenshot.sh on a fresh demo
# installation: the administrator's menu, the first-start window of the launcher, and a printed
# delivery note (saved as PDF from the program's preview, rendered with pdftoppm).
# Needs a build (scripts/build.sh); the clicks assume screenshot.sh's 1024x768 screen.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
docs="$here/docs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/demo/back-up" "$work/home" "$docs"
LANG=en_GB.UTF-8 "$here/build/tools/kestar-setup" new "$work/demo/podaci" --password 123 --demo
shot() { "$here/scripts/screenshot.sh" "$@" >/dev/null; }
# The screen is black around the window: trimming leaves the window alone.
small() { convert "$1" -trim +repage -dither None -colors "$3" -strip "$2"; }

login="xdotool type 123; xdotool key Return; sleep 1"
shot "$work/demo" "$work/menu.png" 3 "$login"
small "$work/menu.png" "$docs/admin-menu.png" 64

# Stampanje, OTPREMNICA; "Stampaj dokument !"; in the preview "Snimi kao PDF".
shot "$work/demo" "$work/preview.png" 3 "$login; xdotool mousemove 708 535 click 1; sleep 1;
  xdotool mousemove 803 226 click 1; sleep 2; xdotool mousemove 656 15 click 1; sleep 2;
  xdotool key ctrl+a; xdotool type $work/note.pdf; xdotool key Return; sleep 2"
pdftoppm -r 90 -png -f 1 -l 1 "$work/note.pdf" "$work/note"
convert "$work/note-1.png" -crop 100%x42%+0+0 +repage -bordercolor '#9a9a9a' -border 1 \
  -dither None -colors 32 -strip "$docs/printed-note.png"

# The launcher in a home folder without an installation shows the first-start window. The home
# folder is /home/magacin in a mount namespace of its own where unshare can make one.
first="HOME=/home/magacin KESTAR_BINARY='$here/build/launcher/kestar' '$here/scripts/screenshot.sh' \
  '$work' '$work/first.png' 3 >/dev/null"
unshare -m bash -c "mount -t tmpfs tmpfs /home && mkdir /home/magacin && $first" 2>/dev/null ||
  HOME="$work/home" KESTAR_BINARY="$here/build/launcher/kestar" shot "$work" "$work/first.png" 3
small "$work/first.png" "$docs/first-start.png" 48
ls -l "$docs"
