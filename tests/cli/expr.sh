#!/usr/bin/env bash
# zvreport eval / format / words: printed text and exit codes. Arguments: build folder, source folder.
set -u
tool="$1/zvreport"
fails=0

# expect EXIT_CODE EXPECTED_OUTPUT ARGS... (stdout and stderr together)
expect() {
  local code=$1 want=$2; shift 2
  local got rc
  got=$("$tool" "$@" 2>&1); rc=$?
  if [ "$rc" != "$code" ] || [ "$got" != "$want" ]; then
    echo "FAIL: zvreport $*"; echo "  want ($code): $want"; echo "  got  ($rc): $got"
    fails=$((fails + 1))
  fi
}

# eval: the value's kind and text; errors go to stderr with exit code 1
expect 0 "Double: 14" eval "2+3*4"
expect 0 "Double: 20" eval "(2+3)*4"
expect 0 "Byte: 1" eval "3 > 2"
expect 0 "Integer: 3" eval "7 DIV 2"
expect 0 "String: It's" eval "'It''s'"
expect 0 "Double: 1,5" eval "1.5"
expect 0 "Double: 1.5" eval --locale c "1.5"
expect 0 "Null" eval ""
expect 0 "Empty" eval "1,5"
expect 1 "Identificatore sconosciuto: x + 1" eval "x + 1"
expect 1 "Tipo di dati incompatibili nell'espressione: 5 / 0" eval "5 / 0"
expect 1 "Numero errato di parentesi nell'espressione : " eval "(1+2"
expect 2 "usage: zvreport eval [--locale NAME] EXPR" eval
expect 2 "zvreport: unknown locale: xx_NOWHERE" eval --locale xx_NOWHERE "1"

# format: numbers, strings and date-times under a format code
expect 0 "1234,50" format --code 0x0101022C 1234.5
expect 0 "1.234,50" format --code 0x0103022C 1234.5
expect 0 "1234.50" format --code 0x0101022E 1234.5
expect 0 "1,234.50" format --locale c --code 0x0103022E 1234.5
expect 0 "1.234,500" format --code 0x01040000 --text "#,##0.000" 1234.5
expect 0 "05/11/1998" format --code 0x00000000 d:1998-11-05
expect 0 "05/11/1998 02:43:35" format --code 0x00000000 d:1998-11-05T02:43:35
expect 0 "5 novembre 1998" format --code 0x02030000 d:1998-11-05T02:43:35
expect 0 "2:43" format --code 0x03030000 d:1998-11-05T02:43:35
expect 0 "Si" format --code 0x04010000 2
expect 0 "No" format --code 0x04010000 0
expect 0 "testo" format --code 0x01010200 "'testo'"
expect 0 "$(printf 'caff\xc3\xa8')" format --code 0 "\"$(printf 'caff\xc3\xa8')\""
expect 2 "zvreport: not a format code: 0xZZ" format --code 0xZZ 1
expect 2 "zvreport: not a number, quoted string or d:YYYY-MM-DD[THH:MM:SS]: d:1998-13-01" format --code 0 d:1998-13-01

# words: Italian number words
expect 0 "zero" words 0
expect 0 "ventuno" words 21
expect 0 "duemilionicinquecentomila" words 2500000
expect 0 "uno virgola zero cinque" words 1.05
expect 0 "uno virgola zero cinque" words 1,05
expect 0 "meno tre" words -3
expect 0 "duemilamiliardi" words 2000000000000
expect 1 "'abc' is not a valid floating point value" words abc

if [ "$fails" -ne 0 ]; then echo "$fails failure(s)"; exit 1; fi
echo "all zvreport expression commands behave"
