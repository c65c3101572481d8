#!/usr/bin/env bash
# PDF and PNG documents of prepared pages, read back by independent tools: pdfinfo (pages, papers,
# title), pdffonts (every font an embedded, tagged subset), qpdf (structure and cross-reference
# offsets), pdftotext (each page's text records, in order), pdftoppm
# + zbarimg (every barcode decodes to its text), emf2svg-conv (the page metafile), and the
# replace-by-rename rule (a failed export keeps the old file and leaves no other).
set -u
build=$1; src=$2; flavour=${3:-qt}
tool="$build/zvreport"
. "$(dirname "$0")/../support/cli_check.sh"
export QT_QPA_PLATFORM=offscreen
tpl="$src/resources/BarCodeDemo.zvf"
data="FormMain.ClientDataSet=$src/resources/Clienti.xml"

if [ "$flavour" != qt ]; then
  "$tool" render "$tpl" --data "$data" -o "$tmp/demo.pdf" >/dev/null 2>&1; rc=$?
  check "without Qt a PDF is refused and nothing written" "[ $rc -ne 0 ] && [ -z \"\$(ls -A $tmp)\" ]"
  [ $fails -eq 0 ]; exit
fi

"$tool" render "$tpl" --data "$data" -o "$tmp/demo.zvp" >/dev/null 2>&1
"$tool" render "$tpl" --data "$data" --title "Elenco clienti" -o "$tmp/demo.pdf" >/dev/null 2>&1
"$tool" render "$tmp/demo.zvp" --pdf "$tmp/fromzvp.pdf" >/dev/null 2>&1
"$tool" dump "$tmp/demo.zvp" > "$tmp/dump.txt"
pages=$(head -1 "$tmp/dump.txt" | sed 's/pages=//')
check "the prepared report has pages" "[ \"$pages\" -ge 2 ]"
check "pdfinfo: as many pages as the prepared report" "pdfinfo $tmp/demo.pdf | grep -qE '^Pages: +$pages\$'"
check "pdfinfo: the report title" "pdfinfo $tmp/demo.pdf | grep -qE '^Title: +Elenco clienti\$'"
check "a .zvp gives the same pages" "pdfinfo $tmp/fromzvp.pdf | grep -qE '^Pages: +$pages\$'"
"$tool" render "$tpl" --data "$data" --progress -o "$tmp/progress.pdf" 2>"$tmp/progress.txt" >/dev/null
"$tool" render "$tmp/demo.zvp" --pdf "$tmp/quiet.pdf" 2>"$tmp/quiet.txt"
check "--progress: the last line counts the pages written" \
  "[ \"\$(grep 'pagine scritte' $tmp/progress.txt | tail -1)\" = 'Documento PDF, pagine scritte: $pages' ]"
check "no progress lines unless asked or on a terminal" "! grep -q 'pagine scritte' $tmp/quiet.txt"
# Each page on its paper: tenths of a millimetre to points, to the nearest point.
grep -E '^page [0-9]+ ' "$tmp/dump.txt" | sed -E 's/^page ([0-9]+) .* width=([0-9]+) height=([0-9]+) orientation=([0-9]).*/\1 \2 \3 \4/' > "$tmp/papers"
while read -r n w h o; do
  if [ "$o" = 1 ] && [ "$w" -lt "$h" ]; then t=$w; w=$h; h=$t; fi
  pw=$(( (w * 72 + 127) / 254 )); ph=$(( (h * 72 + 127) / 254 ))
  check "page $n is ${pw} x ${ph} pts" \
    "pdfinfo -f $n -l $n $tmp/demo.pdf | grep -E '^Page +$n size:' | grep -qE \" $pw(\\.[0-9]+)? x $ph(\\.[0-9]+)? pts\""
done < "$tmp/papers"

# Every font embedded, as a subset: the embedded program is a small part of the font file.
pdffonts "$tmp/demo.pdf" | tail -n +3 > "$tmp/fonts"
check "pdffonts lists fonts" "[ -s $tmp/fonts ]"
check "every font is embedded" "! awk '{ if (\$(NF-4) != \"yes\") bad=1 } END { exit !bad }' $tmp/fonts"
check "pdffonts: every font is a subset with its tag" \
  "! awk '{ if (\$(NF-3) != \"yes\" || substr(\$1, 7, 1) != \"+\" || \$1 !~ /^[A-Z][A-Z][A-Z][A-Z][A-Z][A-Z]/) bad=1 } END { exit !bad }' $tmp/fonts"
check "the embedded programs are small parts of the font files" \
  "[ -n \"\$(grep -a -o '/Length1 [0-9]*' $tmp/demo.pdf)\" ] && ! grep -a -o '/Length1 [0-9]*' $tmp/demo.pdf | awk '\$2 > 100000 { bad=1 } END { exit !bad }'"

check "qpdf: sound structure, every cross-reference offset on its object" \
  "qpdf --check $tmp/demo.pdf >/dev/null 2>&1 && qpdf --check $tmp/fromzvp.pdf >/dev/null 2>&1"

# The text of each page is its text records in record order (compared without white space:
# pdftotext splits a barcode's spread digits into words).
for n in $(seq 1 "$pages"); do
  "$tool" dump "$tmp/demo.zvp" --page "$n" | sed -nE "s/.* text='(.*)' font=.*/\1/p" | tr -d ' \n' > "$tmp/rec$n"
  pdftotext -raw -f "$n" -l "$n" "$tmp/demo.pdf" - | tr -d ' \n\f' > "$tmp/pdf$n"
  check "page $n: pdftotext gives the text records" "[ -s $tmp/rec$n ] && cmp -s $tmp/rec$n $tmp/pdf$n"
  # The barcodes: the records of 13 digits, against zbarimg on the page at 300 dpi.
  "$tool" dump "$tmp/demo.zvp" --page "$n" | sed -nE "s/.* text='([0-9]{13})' font=.*/\1/p" | sort > "$tmp/codes$n"
  pdftoppm -r 300 -f "$n" -l "$n" -png "$tmp/demo.pdf" "$tmp/r$n"
  zbarimg -q --raw "$tmp"/r$n-*.png 2>/dev/null | sort > "$tmp/zbar$n"
  check "page $n: every barcode decodes at 300 dpi to its text" "[ -s $tmp/codes$n ] && cmp -s $tmp/codes$n $tmp/zbar$n"
done

# The page metafile reads in an independent reader.
"$tool" render "$tpl" --data "$data" -o "$tmp/p1.emf" >/dev/null 2>&1
check "emf2svg-conv reads page 1" "emf2svg-conv -i $tmp/p1.emf -o $tmp/p1.svg 2>$tmp/emf2svg.err && grep -q '<path' $tmp/p1.svg"

# PNG: one page at 150 dpi by default, every page with --all-pages, the resolution asked.
"$tool" render "$tmp/demo.zvp" --png "$tmp/one.png" --page 2 >/dev/null 2>&1
check "PNG of page 2 at 150 dpi" "file $tmp/one.png | grep -q '1240 x 1754\\|1241 x 1755'"
"$tool" render "$tmp/demo.zvp" --png "$tmp/all.png" --all-pages --dpi 48 >/dev/null 2>&1
check "--all-pages writes one file per page" "[ \$(ls $tmp/all-*.png | wc -l) -eq $pages ] && file $tmp/all-1.png | grep -q '397 x 561'"

# Replace by rename: a finished export replaces the file, a failed one keeps it; no file is left over.
echo vecchio > "$tmp/keep.png"
"$tool" render "$tmp/demo.zvp" --png "$tmp/keep.png" --page 99 >/dev/null 2>&1; rc=$?
check "a failed PNG export keeps the old file" "[ $rc -ne 0 ] && grep -qx vecchio $tmp/keep.png"
echo vecchio > "$tmp/keep.pdf"
"$tool" render "$tmp/demo.zvp" --pdf "$tmp/keep.pdf" >/dev/null 2>&1
check "a finished PDF export replaces it" "pdfinfo $tmp/keep.pdf | grep -qE '^Pages: +$pages\$'"
check "no temporary file is left" "[ -z \"\$(ls -A $tmp | grep '^\\.')\" ]"

[ $fails -eq 0 ]
