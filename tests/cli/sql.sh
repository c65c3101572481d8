#!/usr/bin/env bash
# zvreport over SQL: the demo's packet copied into an SQLite file renders the same pages through
# --db/--query as through --data; query errors end with the database's message and status 1.
set -u
build=$1; src=$2
tool="$build/zvreport"
. "$(dirname "$0")/../support/cli_check.sh"
export QT_QPA_PLATFORM=offscreen
tpl="$src/resources/BarCodeDemo.zvf"
db="$tmp/Clienti.db"

"$tool" sql-table "$src/resources/Clienti.xml" "$db" Clienti >"$tmp/copy.out" 2>&1; rc=$?
check "sql-table copies the 40 rows" "[ $rc -eq 0 ] && grep -qx 'rows=40' $tmp/copy.out"

"$tool" render "$tpl" --data "FormMain.ClientDataSet=$src/resources/Clienti.xml" -o "$tmp/xml.zvp" >/dev/null 2>&1
"$tool" render "$tpl" --db "$db" --query "FormMain.ClientDataSet=SELECT * FROM Clienti ORDER BY rowid" \
  --query "FormMain.Extra=SELECT 1 AS n" -o "$tmp/sql.zvp" >"$tmp/sql.out" 2>"$tmp/sql.err"; rc=$?
check "render over a query exits 0 with 4 pages" "[ $rc -eq 0 ] && grep -qx 'pages=4' $tmp/sql.out"
"$tool" dump "$tmp/xml.zvp" >"$tmp/xml.txt" 2>/dev/null
"$tool" dump "$tmp/sql.zvp" >"$tmp/sql.txt" 2>/dev/null
check "the pages equal those from the packet" "[ -s $tmp/xml.txt ] && cmp -s $tmp/xml.txt $tmp/sql.txt"

"$tool" render "$tpl" --db "$db" --query "FormMain.ClientDataSet=SELECT * FROM Nessuna" -o "$tmp/bad.zvp" >/dev/null 2>"$tmp/bad.err"; rc=$?
check "a bad query exits 1 with the database's message" "[ $rc -eq 1 ] && [ ! -e $tmp/bad.zvp ] && grep -q 'no such table: Nessuna' $tmp/bad.err"
"$tool" render "$tpl" --db "$tmp/none.db" --query "FormMain.ClientDataSet=SELECT 1" -o "$tmp/none.zvp" >/dev/null 2>"$tmp/none.err"; rc=$?
check "a missing database file exits 1" "[ $rc -eq 1 ] && grep -q 'unable to open database file' $tmp/none.err && [ ! -e $tmp/none.db ]"
"$tool" render "$tpl" --query "FormMain.ClientDataSet=SELECT 1" -o "$tmp/nodb.zvp" >/dev/null 2>"$tmp/nodb.err"; rc=$?
check "--query without --db is refused" "[ $rc -ne 0 ] && grep -q 'needs a --db' $tmp/nodb.err"

[ $fails -eq 0 ]
