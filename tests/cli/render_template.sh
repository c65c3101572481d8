#!/usr/bin/env bash
# zvreport render on a template: the demo template prepared over its XML data packet into each kind
# of output, read back by independent tools; a preparation error and the page limit end with status 1.
set -u
build=$1; src=$2; flavour=${3:-qt}
tool="$build/zvreport"
. "$(dirname "$0")/../support/cli_check.sh"
export QT_QPA_PLATFORM=offscreen
tpl="$src/resources/BarCodeDemo.zvf"
data="FormMain.ClientDataSet=$src/resources/Clienti.xml"

# Without Qt the tool writes prepared reports and metafiles only.
kinds="zvp emf"; [ "$flavour" = qt ] && kinds="zvp emf pdf png"
for ext in $kinds; do
  "$tool" render "$tpl" --data "$data" -o "$tmp/demo.$ext" >"$tmp/$ext.out" 2>"$tmp/$ext.err"; rc=$?
  check "render to .$ext exits 0 and counts the pages" "[ $rc -eq 0 ] && grep -qx 'pages=4' $tmp/$ext.out"
done
check "the prepared report holds 4 pages" "$tool dump $tmp/demo.zvp 2>/dev/null | head -1 | grep -qx 'pages=4'"
if [ "$flavour" = qt ]; then
  check "the PDF has 4 pages" "pdfinfo $tmp/demo.pdf | grep -q '^Pages: *4$'"
  check "the PDF's text has the names and the page numbers" \
    "pdftotext $tmp/demo.pdf - | grep -q '^Rossi$' && pdftotext $tmp/demo.pdf - | grep -q 'Pagina 4 di 4'"
  check "the barcodes of page 1 decode" "[ \$(zbarimg -q $tmp/demo.png 2>/dev/null | grep -c '^EAN-13:8') -ge 10 ]"
else
  "$tool" render "$tpl" --data "$data" -o "$tmp/demo.pdf" >/dev/null 2>&1; rc=$?
  check "PDF output needs the Qt build" "[ $rc -ne 0 ] && [ ! -e $tmp/demo.pdf ]"
fi
check "page 1 as a metafile opens in another reader" "emf2svg-conv -i $tmp/demo.emf -o $tmp/demo.svg 2>/dev/null && grep -q 'Rossi' $tmp/demo.svg"

# Without the data packet the template's dataset is not found: the whole error text, status 1.
"$tool" render "$tpl" -o "$tmp/none.zvp" >/dev/null 2>"$tmp/none.err"; rc=$?
check "a preparation error exits 1" "[ $rc -eq 1 ] && [ ! -e $tmp/none.zvp ]"
check "the error text names the dataset, band and page" \
  "grep -q 'Non è stato trovato il zvDataset: Clienti' $tmp/none.err && grep -q '^Banda: Dati principali$' $tmp/none.err && grep -q '^Pagina: 1$' $tmp/none.err"
"$tool" render "$tpl" --data "$data" --max-pages 2 -o "$tmp/two.zvp" >/dev/null 2>"$tmp/two.err"; rc=$?
check "--max-pages ends a longer run with status 1" "[ $rc -eq 1 ] && grep -q 'Superato il numero massimo di pagine: 2' $tmp/two.err"

[ $fails -eq 0 ]
