#!/usr/bin/env bash
# The committed demo template is what make_demo_template writes, and it holds the expected objects.
set -u
build=$1; src=$2
. "$(dirname "$0")/../support/cli_check.sh"

"$build/make_demo_template" "$tmp/BarCodeDemo.zvf"; rc=$?
check "program exits 0" "[ $rc -eq 0 ]"
check "committed file equals the program's output" "cmp -s $tmp/BarCodeDemo.zvf $src/resources/BarCodeDemo.zvf"
check "first byte is version 29" "[ \"\$(head -c1 $tmp/BarCodeDemo.zvf | od -An -tu1 | tr -d ' ')\" = 29 ]"

# Dumped on its own, the data source's dataset is not open anywhere: the warning names it.
"$build/zvreport" dump "$src/resources/BarCodeDemo.zvf" >"$tmp/dump.txt" 2>"$tmp/dump.err"; rc=$?
check "dump exits 0" "[ $rc -eq 0 ]"
check "data source is FormMain.ClientDataSet" "grep -q 'Non è stato trovato il zvDataset: FormMain.ClientDataSet' $tmp/dump.err"
check "two passes" "grep -qx 'options twopass 1 interleave 0 interleaved-numbering 0' $tmp/dump.txt"
check "one A4 page" "grep -q '^page 0 paper 9 2100x2970 orientation 0' $tmp/dump.txt && grep -qx 'pages 1' $tmp/dump.txt"
check "page header band" "grep -q 'extras band 2 ' $tmp/dump.txt"
check "master data band over Clienti" "grep -A3 'object TzvBandView \"BandaClienti\"' $tmp/dump.txt | grep -q 'format 0x00000000 \"Clienti\"' && grep -q 'extras band 5 ' $tmp/dump.txt"
check "page footer band" "grep -q 'extras band 3 ' $tmp/dump.txt"
for field in Cognome Nome CS; do
  check "memo for [$field]" "grep -A5 'object TzvMemoView \"Memo$field\"' $tmp/dump.txt | grep -qx '      \"\[$field\]\"'"
done
check "title memo" "grep -qx '      \"Demo BarCode\"' $tmp/dump.txt"
check "page number memo" "grep -qx '      \"Pagina \[PAGE#\] di \[TOTALPAGES\]\"' $tmp/dump.txt"
check "EAN-13 barcode over [BarCode]" "grep -A6 'object TzvCodeBarreView' $tmp/dump.txt | grep -q 'type 14 ' && grep -A5 'object TzvCodeBarreView' $tmp/dump.txt | grep -qx '      \"\[BarCode\]\"'"
check "nine objects" "grep -qx '  objects 9' $tmp/dump.txt"

# Objects lie inside their bands: every data-band object between the band's top and bottom.
awk '/object /{name=$3} /geometry/{print name, $2, $3, $4, $5}' "$tmp/dump.txt" >"$tmp/geo.txt"
inside() { awk -v b="$1" -v o="$2" '$1=="\""b"\""{fb=1; bt=$3; bb=$3+$5} $1=="\""o"\""{fo=1; ot=$3; ob=$3+$5} END{exit !(fb && fo && ot>=bt && ob<=bb)}' "$tmp/geo.txt"; }
for o in MemoCognome MemoNome MemoCS CodiceBarre; do
  check "$o inside the data band" "inside BandaClienti $o"
done
check "title inside the header band" "inside BandaIntestazione MemoTitolo"
check "page memo inside the footer band" "inside BandaPiePagina MemoPagina"

echo "$fails failed"
[ $fails -eq 0 ]
