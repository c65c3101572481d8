#!/usr/bin/env bash
# zvreport dump/resave on templates: stable text, version-29 rewrite, and failures with the system's messages.
set -u
build=$1; src=$2
tool="$build/zvreport"
corpus="$src/fuzz/corpus/fuzz_template"
. "$(dirname "$0")/../support/cli_check.sh"

# A template dumps to plain text and the same dump comes back after a rewrite.
"$tool" dump "$corpus/rich.zvf" >"$tmp/rich.txt" 2>"$tmp/rich.err"; rc=$?
check "dump exits 0" "[ $rc -eq 0 ]"
check "dump names every class" "grep -q 'object TzvMemoView \"Memo1\" page 0' $tmp/rich.txt && grep -q 'object TzvCodeBarreView' $tmp/rich.txt && grep -q 'extras picture kind 4 bytes 10' $tmp/rich.txt"
check "dump shows pages and values" "grep -q '^page 1 paper 256 1234x2345' $tmp/rich.txt && grep -q 'value \"Totale\" typ 2 other 1' $tmp/rich.txt"
check "unresolved data set is a warning on stderr" "grep -q 'Non è stato trovato il zvDataset: FormMain.Table1' $tmp/rich.err"
"$tool" resave "$corpus/rich.zvf" "$tmp/out.zvf" 2>/dev/null; rc=$?
check "resave exits 0" "[ $rc -eq 0 ]"
"$tool" dump "$tmp/out.zvf" >"$tmp/out.txt" 2>/dev/null
check "resaved dump is the same" "cmp -s $tmp/rich.txt $tmp/out.txt"

# Older versions are rewritten as version 29 with the same content.
for v in 21 22 23 25 27 28; do
  "$tool" dump "$corpus/version$v.zvf" >"$tmp/v$v.txt" 2>/dev/null
  "$tool" resave "$corpus/version$v.zvf" "$tmp/v$v.zvf" 2>/dev/null
  "$tool" dump "$tmp/v$v.zvf" >"$tmp/v$v-new.txt" 2>/dev/null
  check "version $v reads as $v" "head -1 $tmp/v$v.txt | grep -qx 'version $v'"
  check "version $v is written as 29" "[ \"\$(head -c1 $tmp/v$v.zvf | od -An -tu1 | tr -d ' ')\" = 29 ] && head -1 $tmp/v$v-new.txt | grep -qx 'version 29'"
  check "version $v keeps its content" "diff <(tail -n +2 $tmp/v$v.txt) <(tail -n +2 $tmp/v$v-new.txt) >/dev/null"
done

# Failures: the system's messages and a non-zero exit; resave writes nothing then.
"$tool" dump "$corpus/corrupt-tag7.zvf" >"$tmp/c.txt" 2>"$tmp/c.err"; rc=$?
check "corrupt template fails" "[ $rc -ne 0 ] && grep -q 'Probabilmente il report è corrotto' $tmp/c.err && [ ! -s $tmp/c.txt ]"
"$tool" resave "$corpus/UnknownAddInShowsBothBoxes-0.zvf" "$tmp/no.zvf" 2>"$tmp/u.err"; rc=$?
check "unknown add-in fails" "[ $rc -ne 0 ] && grep -q 'Oggetto non trovato : TzvGraficoView.' $tmp/u.err && [ ! -e $tmp/no.zvf ]"
"$tool" dump "$tmp/missing.zvf" 2>"$tmp/m.err"; rc=$?
check "missing file fails" "[ $rc -ne 0 ] && grep -q \"Ma il file '$tmp/missing.zvf' è inesistente\" $tmp/m.err"

echo "$fails failed"
[ $fails -eq 0 ]
