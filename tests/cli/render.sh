#!/usr/bin/env bash
# zvreport dump/pack/render on metafiles and prepared reports: record listings, page fields, PNG and PDF output.
set -u
# Arguments: the build folder, the source folder, and "qt" or "noqt" (whether the build has Qt).
build=$1; src=$2; flavour=${3:-qt}
tool="$build/zvreport"
peer="$src/tests/data/emf-peer"
. "$(dirname "$0")/../support/cli_check.sh"
export QT_QPA_PLATFORM=offscreen

# A metafile from elsewhere lists its header and records, texts with their position and font.
"$tool" dump "$peer/valid/test-001.emf" >"$tmp/a.txt" 2>"$tmp/a.err"; rc=$?
check "dump emf exits 0" "[ $rc -eq 0 ]"
check "dump emf shows the header" "head -1 $tmp/a.txt | grep -q '^header bounds=0,0,563,422 frame=0,0,16494,12363 .* device=1024x768 mm=300x225'"
check "dump emf shows text records" "grep -q \"^44 EMR_EXTTEXTOUTW size=424 bounds=113,8,452,22 at=1867,6688 text='Trac.* font=Arial/-199/0\" $tmp/a.txt"
check "dump emf ends with EOF" "tail -1 $tmp/a.txt | grep -q ' EMR_EOF size=20$'"

# A damaged metafile is refused with the reader's message.
"$tool" dump "$peer/corrupted/bad_corrupted_2014-12-02-215425.emf" >/dev/null 2>"$tmp/bad.err"; rc=$?
check "damaged emf exits 1" "[ $rc -eq 1 ]"
check "damaged emf names the record" "grep -q 'Invalid metafile: record 35 (EMR_POLYLINE16) at offset 1644: point count exceeds the record' $tmp/bad.err"

# Metafiles packed into a prepared report, then listed page by page.
"$tool" pack "$tmp/two.zvp" "$peer/valid/test-001.emf" "$peer/valid/test-020.emf"; rc=$?
check "pack exits 0" "[ $rc -eq 0 ] && [ -f $tmp/two.zvp ]"
# The folder made by mktemp has a point in its name, so no extension is put on.
"$tool" pack "$tmp/noext" "$peer/valid/test-001.emf"
check "a point anywhere in the name keeps it unchanged" "[ -f $tmp/noext ] && [ ! -e $tmp/noext.zvp ]"
"$tool" dump "$tmp/two.zvp" >"$tmp/two.txt" 2>/dev/null
check "zvp dump counts pages" "head -1 $tmp/two.txt | grep -qx 'pages=2'"
check "zvp dump shows the paper" "grep -q '^page 2 paper=9 width=2100 height=2970 orientation=0 flag=1 info=0,0,793,1122,0,0,18,18,757,1086$' $tmp/two.txt"
"$tool" dump "$tmp/two.zvp" --page 2 >"$tmp/p2.txt" 2>/dev/null
check "--page keeps one page" "[ \$(grep -c '^page ' $tmp/p2.txt) -eq 1 ] && grep -q '^page 2 ' $tmp/p2.txt"
check "page texts survive the packing" "grep -q \"text='DISC:SECO'\" $tmp/p2.txt"
"$tool" dump "$tmp/two.zvp" --page 3 >/dev/null 2>"$tmp/p3.err"; rc=$?
check "a missing page fails" "[ $rc -eq 1 ] && grep -q 'No page 3' $tmp/p3.err"
head -c 300 "$tmp/two.zvp" >"$tmp/cut.zvp"
"$tool" dump "$tmp/cut.zvp" >/dev/null 2>"$tmp/cut.err"; rc=$?
check "a truncated prepared report fails" "[ $rc -eq 1 ] && grep -q 'Stream read error' $tmp/cut.err"

# Rendering: a Qt build renders PNG and PDF; a build without Qt refuses with status 2.
"$tool" render "$tmp/two.zvp" --png "$tmp/p1.png" --page 1 --dpi 48 2>/dev/null; rc=$?
if [ "$flavour" = noqt ]; then
  check "render without Qt exits 2" "[ $rc -eq 2 ]"
else
  check "help lists render" "\"$tool\" --help 2>&1 | grep -q 'render FILE'"
  check "render png exits 0" "[ $rc -eq 0 ]"
  check "png has the page size at 48 dpi" "file $tmp/p1.png | grep -q '397 x 561'"
  "$tool" render "$tmp/two.zvp" --pdf "$tmp/two.pdf" 2>/dev/null; rc=$?
  check "render pdf exits 0" "[ $rc -eq 0 ]"
  check "pdf has two A4 pages" "pdfinfo $tmp/two.pdf | grep -q 'Pages: *2' && pdfinfo $tmp/two.pdf | grep -q '595 x 842'"
  check "pdf keeps the texts" "pdftotext $tmp/two.pdf - | grep -q 'DISC:SECO'"
fi

[ $fails -eq 0 ]
