#!/usr/bin/env bash
# zvreport barcode: pattern, width and text on success; the encoder's message and exit 1 on error.
# Arguments: the build folder and the source folder.
set -u
build=$1
bin="$build/zvreport"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail=0
check() {  # description, expected, actual
  if [ "$2" != "$3" ]; then echo "FAIL: $1"; echo "  expected: $2"; echo "  actual:   $3"; fail=1; fi
}

# EAN-13 of 123456789012 with its check digit 8: 95 modules, twelve digits shown.
got=$("$bin" barcode EAN13 123456789012 --checksum)
check "EAN13 output" "pattern: 50515160805170506253505152505050515270517150616060615152505
width: 95
text: 123456789012" "$got"
check "EAN13 shown check digit" "text: 1234567890128" "$("$bin" barcode bcCodeEAN13 123456789012 --checksum --show-checksum | tail -1)"
check "Modul doubles the width" "width: 190" "$("$bin" barcode ean13 1 --modul 2 | sed -n 2p)"
check "Ratio clamps to 3 (36 modules at 2)" "width: 45" "$("$bin" barcode '2 5 interleaved' 1234 --ratio 9 | sed -n 2p)"

# Errors: the encoder's message on stderr and exit status 1; usage errors exit 2.
msg=$("$bin" barcode Code93 'a@' 2>&1 >/dev/null); rc=$?
check "Code93 error message" "TBarcode: Code93 dati errati Data <a@>" "$msg"
check "Code93 error status" 1 "$rc"
msg=$("$bin" barcode EAN13 12a 2>&1 >/dev/null); rc=$?
check "numeric error" "Il codice a barre deve essere di tipo numerico" "$msg"
check "numeric error status" 1 "$rc"
"$bin" barcode QR 123 >/dev/null 2>&1; check "unknown type status" 2 "$?"
"$bin" barcode EAN13 >/dev/null 2>&1; check "missing text status" 2 "$?"
"$bin" barcode EAN13 1 --ratio x >/dev/null 2>&1; check "bad ratio status" 2 "$?"

# PNG output, read back by both decoders (scripts/deps.sh installs them; a missing one fails).
"$bin" barcode Code128B 'Zelvo 128' --png "$out/c.png" --height 60 --modul 2 >/dev/null
check "PNG written" "yes" "$([ -s "$out/c.png" ] && echo yes || echo no)"
check "zbarimg reads the PNG" "Zelvo 128" "$(zbarimg --raw -q "$out/c.png" 2>/dev/null)"
check "ZXingReader reads the PNG" "Zelvo 128" "$(ZXingReader -bytes "$out/c.png" 2>/dev/null)"

# Two-dimensional types: the symbol's size, and a PNG both decoders read to exactly the text.
check "QR Code size" "size: 21x21" "$("$bin" barcode "QR Code" 12345 | head -1)"
check "QR Code level H is larger" "size: 25x25" "$("$bin" barcode bcQRCode 12345678901234567890 --ec 4 | head -1)"
text='Perché è già così'
for type in "QR Code" "Data Matrix" "PDF417"; do
  png="$out/${type// /_}.png"
  "$bin" barcode "$type" "$text" --png "$png" >/dev/null
  check "ZXingReader reads the $type PNG" "$text" "$(ZXingReader "$png" 2>/dev/null | sed -n 's/^Text: *"\(.*\)"$/\1/p')"
done
check "zbarimg reads the QR Code PNG" "$text" "$(zbarimg --raw -q "$out/QR_Code.png" 2>/dev/null)"
msg=$("$bin" barcode "Data Matrix" '' 2>&1 >/dev/null); rc=$?
check "empty 2D text" "Data Matrix: Testo vuoto" "$msg"
check "empty 2D text status" 1 "$rc"
exit $fail
