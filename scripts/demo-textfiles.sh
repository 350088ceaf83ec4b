#!/usr/bin/env bash
# Writes the text files of a data folder (Windows-1250 text, CR LF after every line).
set -euo pipefail
folder=$1
mkdir -p "$folder"
crlf() { printf '%s\r\n' "$@"; }
crlf "Magacin Primer d.o.o." "Industrijska 12" "Novi Sad" "021/555-0100" "101234567" \
     "08765432" "160-0000000123456-78" "Primer banka" "021/555-0101" "064/555-0102" \
     "magacin@primer.example" "www.primer.example" "Petar Primer" > "$folder/firma.txt"
crlf 1 > "$folder/oprema.txt"
for f in dokument otpremnica ulaz predracun rnalog; do crlf 0 > "$folder/$f.txt"; done
: > "$folder/grupe.txt"
: > "$folder/sgrupe.txt"
