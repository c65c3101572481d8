#!/usr/bin/env bash
# The demo list against its ReportLab peer, side by side on the same generated tables:
#   bash bench/peers/run.sh [BUILD] [RECORDS...]      (default: build/release 10000 100000)
# For each size it runs zvreport (template + XML data -> PDF) and reportlab_list.py (CSV -> PDF)
# once each under /usr/bin/time, and prints wall time, peak memory (max RSS), output size and
# pages, the ratios peer/ours, our t(largest)/t(smallest), and the peak memory of qt_pdf_floor (the
# least a Qt PDF program takes). Needs python3-reportlab.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}; shift || true
sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000)
work=$build/peers; mkdir -p "$work"
export QT_QPA_PLATFORM=offscreen
measure() {  # out-prefix, command... -> "seconds kilobytes"
  local out=$1; shift
  /usr/bin/time -f "%e %M" -o "$out.time" "$@" >"$out.log" 2>&1
  cat "$out.time"
}
printf '%-9s %-10s %9s %10s %11s %7s\n' records program seconds maxRSS_KB pdf_bytes pages
declare -A T R
for n in "${sizes[@]}"; do
  python3 bench/peers/gen_data.py "$n" "$work/t$n.xml" "$work/t$n.csv"
  read -r ts tm < <(measure "$work/zv$n" "$build/zvreport" render resources/BarCodeDemo.zvf \
    --data "FormMain.ClientDataSet=$work/t$n.xml" -o "$work/zv$n.pdf")
  read -r rs rm < <(measure "$work/rl$n" /usr/bin/python3 bench/peers/reportlab_list.py "$work/t$n.csv" "$work/rl$n.pdf")
  zp=$(pdfinfo "$work/zv$n.pdf" | awk '/^Pages:/ {print $2}'); rp=$(pdfinfo "$work/rl$n.pdf" | awk '/^Pages:/ {print $2}')
  printf '%-9s %-10s %9s %10s %11s %7s\n' "$n" zvreport "$ts" "$tm" "$(stat -c %s "$work/zv$n.pdf")" "$zp"
  printf '%-9s %-10s %9s %10s %11s %7s\n' "$n" reportlab "$rs" "$rm" "$(stat -c %s "$work/rl$n.pdf")" "$rp"
  awk -v a="$rs" -v b="$ts" -v c="$rm" -v d="$tm" 'BEGIN { printf "%-9s ratios: time reportlab/zvreport %.1f, memory zvreport/reportlab %.2f\n", "", a / b, d / c }'
  T[$n]=$ts
  R[$n]=$rm
done
first=${sizes[0]}; last=${sizes[${#sizes[@]}-1]}
[ "$first" != "$last" ] && awk -v a="${T[$last]}" -v b="${T[$first]}" -v l="$last" -v f="$first" \
  'BEGIN { printf "zvreport t(%d)/t(%d) = %.1f\n", l, f, a / b }'
# The floor under our memory: a Qt program that only opens the GUI application and writes one page
# of text to QPdfWriter.
if [ -x "$build/qt_pdf_floor" ]; then
  read -r _ fm < <(measure "$work/floor" "$build/qt_pdf_floor" "$work/floor.pdf")
  awk -v m="$fm" -v r="${R[$first]}" -v f="$first" \
    'BEGIN { printf "Qt PDF floor (GUI application, one page of text): maxRSS %d KB, %.2f of reportlab at %d\n", m, m / r, f }'
fi
# Metafile bytes per prepared page, as kept in memory and in the .zvp.
"$build/zvreport" render resources/BarCodeDemo.zvf --data "FormMain.ClientDataSet=$work/t$first.xml" -o "$work/zv$first.zvp" >/dev/null
"$build/zvreport" dump "$work/zv$first.zvp" | awk '/header bounds/ { for (i = 1; i <= NF; i++) if ($i ~ /^bytes=/) { split($i, v, "="); s += v[2]; if (v[2] > m) m = v[2]; n++ } }
  END { printf "metafile bytes per page (%d pages): mean %.0f, largest %d\n", n, s / n, m }'
