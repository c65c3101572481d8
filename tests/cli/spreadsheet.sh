#!/usr/bin/env bash
# Spreadsheet export of a list report over several pages: the XLSX read back with openpyxl (one row
# per record, the fields in their own columns on every page, no page header or footer rows unless
# asked, amounts and dates as numeric cells), the CSV checked against RFC 4180 and UTF-8, and the
# replace-by-rename rule.
set -u
build=$1; src=$2
. "$(dirname "$0")/../support/cli_check.sh"
export QT_QPA_PLATFORM=offscreen LC_ALL=C  # C gives the Italian preset: amounts "1.234,50", dates dd/mm/yyyy
py=/usr/bin/python3  # the Debian interpreter, which has python3-openpyxl
export PYTHONIOENCODING=utf-8
data="FormMain.ClientDataSet=$src/resources/Clienti.xml"

"$build/make_demo_template" --list "$tmp/list.zvf"
"$build/zvreport" render "$tmp/list.zvf" --data "$data" -o "$tmp/list.zvp" > "$tmp/pages.txt" 2>/dev/null
"$build/zvreport" render "$tmp/list.zvf" --data "$data" -o "$tmp/list.xlsx" >/dev/null 2>&1
"$build/zvreport" render "$tmp/list.zvf" --data "$data" -o "$tmp/bands.xlsx" --page-bands >/dev/null 2>&1
"$build/zvreport" render "$tmp/list.zvf" --data "$data" -o "$tmp/list.csv" >/dev/null 2>&1
"$build/zvreport" render "$tmp/list.zvp" -o "$tmp/fromzvp.csv" >/dev/null 2>&1
check "the list takes several pages" "grep -qE '^pages=[3-9]' $tmp/pages.txt"

# The expected table: the data packet's rows in order, an amount of 1234.5 per line and today's date.
"$py" - "$src/resources/Clienti.xml" > "$tmp/expected.tsv" <<'EOF'
import sys, xml.etree.ElementTree as ET
for i, row in enumerate(ET.parse(sys.argv[1]).iter('ROW'), 1):
    print('\t'.join([row.get('Cognome'), row.get('Nome'), row.get('CS'), '%.2f' % (i * 1234.5)]))
EOF
cat > "$tmp/read.py" <<'EOF'
import sys, datetime, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
for row in ws.iter_rows():
    cells = [c for c in row]
    out = []
    for c in cells[:3]:
        out.append('' if c.value is None else str(c.value))
    amount, day = cells[3], cells[4]
    if amount.data_type == 'n' and amount.number_format == '#,##0.00' and isinstance(amount.value, (int, float)):
        out.append('%.2f' % amount.value)
    else:
        out.append('TEXT:%s' % amount.value)
    if not (day.is_date and day.number_format == 'dd/mm/yyyy' and day.value.date() == datetime.date.today()):
        out.append('NOT A DATE OF TODAY:%s' % day.value)
    print('\t'.join(out))
EOF
"$py" "$tmp/read.py" "$tmp/list.xlsx" > "$tmp/xlsx.tsv" 2> "$tmp/xlsx.err"
check "XLSX: one row per record, surname, name and code in columns A-C, amount and date numeric in D-E" \
  "[ -s $tmp/expected.tsv ] && diff $tmp/expected.tsv $tmp/xlsx.tsv"
check "XLSX: the sheet is five columns wide" \
  "[ \"\$($py -c 'import sys,openpyxl; print(openpyxl.load_workbook(sys.argv[1]).active.max_column)' $tmp/list.xlsx)\" = 5 ]"
"$py" -c 'import sys,openpyxl
for r in openpyxl.load_workbook(sys.argv[1]).active.iter_rows(values_only=True): print(r[0])' "$tmp/bands.xlsx" > "$tmp/bands.txt"
check "XLSX --page-bands: every page's title, headings and footer come back" \
  "[ \$(grep -cx 'Elenco clienti' $tmp/bands.txt) -eq \$(sed 's/pages=//' $tmp/pages.txt) ] && [ \$(grep -cx Cognome $tmp/bands.txt) -eq \$(sed 's/pages=//' $tmp/pages.txt) ] && grep -q '^Pagina 1 di ' $tmp/bands.txt"

# CSV: the same table as the page shows it, RFC 4180 (CRLF, quoted fields with commas), UTF-8.
today=$(date +%d/%m/%Y)
"$py" - "$tmp/expected.tsv" "$today" > "$tmp/expected.csv" <<'EOF'
import sys
for line in open(sys.argv[1], encoding='utf-8'):
    s, n, c, a = line.rstrip('\n').split('\t')
    amount = '{:,.2f}'.format(float(a)).replace(',', ' ').replace('.', ',').replace(' ', '.')
    sys.stdout.buffer.write(('%s,%s,%s,"%s",%s\r\n' % (s, n, c, amount, sys.argv[2])).encode('utf-8'))
EOF
check "CSV: the table with CRLF records and quoted amounts" "cmp -s $tmp/expected.csv $tmp/list.csv"
check "CSV: the accented name is UTF-8" "grep -q \"\$(printf 'Niccol\\xc3\\xb2')\" $tmp/list.csv && iconv -f UTF-8 -t UTF-8 $tmp/list.csv >/dev/null"
check "CSV from the prepared report keeps page headers and footers" \
  "grep -q '^Elenco clienti,' $tmp/fromzvp.csv && [ \$(grep -c '^Rossi,Mario,' $tmp/fromzvp.csv) -eq 1 ]"

# Replace by rename: a finished export replaces the old file, a failed one keeps it.
echo vecchio > "$tmp/keep.csv"
"$build/zvreport" render "$tmp/list.zvf" --data "FormMain.ClientDataSet=$tmp/missing.xml" -o "$tmp/keep.csv" >/dev/null 2>&1; rc=$?
check "a failed export keeps the old file" "[ $rc -ne 0 ] && grep -qx vecchio $tmp/keep.csv"
"$build/zvreport" render "$tmp/list.zvp" -o "$tmp/keep.csv" >/dev/null 2>&1
check "a finished export replaces it" "cmp -s $tmp/fromzvp.csv $tmp/keep.csv"
check "no temporary file is left" "[ -z \"\$(ls -A $tmp | grep '^\\.')\" ]"

[ $fails -eq 0 ]
