#!/usr/bin/env bash
# Installs the Debian 12 packages KESTAR needs to build, run and test, when they are missing.
# Run as root (or through sudo).
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libsqlite3-dev sqlite3 pxlib-dev
  # PostgreSQL: the client library to build against, the server for the tests (with-pg.sh).
  libpq-dev postgresql-15
  clang libclang-rt-14-dev
  fonts-liberation2
  xvfb xauth xdotool imagemagick poppler-utils
  # The Debian package: dpkg-shlibdeps finds the libraries it depends on, and the package test
  # checks the menu entry with desktop-file-validate.
  dpkg-dev desktop-file-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
