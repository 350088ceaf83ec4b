#!/usr/bin/env bash
# Checks what the install rules put where, and the Debian package made from them:
#   check-package.sh BUILD_FOLDER [--deb]
# Installs into a temporary DESTDIR under /usr and checks the files, the menu entry
# (desktop-file-validate), the icons and the manual pages. With --deb also makes the package
# with CPack into a temporary folder and checks its control fields and contents.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log"
root="$work/root/usr"
for file in bin/kestar bin/kestar-setup libexec/kestar/kestar; do
  [ -x "$root/$file" ] || fail "$file is not an installed executable"
done
desktop="$root/share/applications/kestar.desktop"
[ -f "$desktop" ] || fail "no menu entry"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (desktop-file-utils)"
desktop-file-validate "$desktop" || fail "the menu entry does not validate"
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | head -1)
[ -x "$root/bin/${exec_line%% *}" ] || fail "the menu entry starts $exec_line, which is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 22 24 32 48 64 128 256; do
  png="$root/share/icons/hicolor/${size}x${size}/apps/$icon.png"
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  # The PNG header holds width and height as big-endian 32-bit numbers at bytes 16 and 20.
  [ "$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')" = "${size}x${size}" ] \
    || fail "the ${size}x${size} icon has another size"
done
[ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon"
for page in kestar kestar-setup; do
  gzip -t "$root/share/man/man1/$page.1.gz" || fail "manual page $page is not a gzip file"
  zcat "$root/share/man/man1/$page.1.gz" | grep '^\.TH' >/dev/null || fail "manual page $page has no title"
done
# grep reads the whole help: with -q it stops early, and under pipefail the writer's SIGPIPE
# would fail the check on a busy machine.
"$root/bin/kestar" --help | grep -- '--choose-folder' >/dev/null || fail "kestar --help"
"$root/bin/kestar-setup" --help | grep 'kestar-setup new' >/dev/null || fail "kestar-setup --help"
echo "install tree: $(find "$work/root" -type f | wc -l) files, menu entry valid"

if [ "${2:-}" = "--deb" ]; then
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log") \
    || { cat "$work/cpack.log" >&2; fail "cpack"; }
  deb=$(ls "$work"/deb/kestar_*.deb)
  depends=$(dpkg-deb -f "$deb" Depends)
  for needed in libqt6gui6 libqt6widgets6 libqt6printsupport6 libsqlite3-0 pxlib1 fonts-liberation2; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
  done
  contents=$(dpkg-deb -c "$deb")
  for file in ./usr/bin/kestar ./usr/bin/kestar-setup ./usr/libexec/kestar/kestar \
      ./usr/share/applications/kestar.desktop ./usr/share/icons/hicolor/48x48/apps/kestar.png \
      ./usr/share/man/man1/kestar-setup.1.gz; do
    grep -q " $file\$" <<<"$contents" || fail "the package lacks $file"
  done
  echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"
fi
