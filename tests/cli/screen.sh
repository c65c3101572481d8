#!/usr/bin/env bash
# Screen test: the real BarCodeDemo under Xvfb — its window appears with its title, a screenshot is
# taken, the Report button opens the preview on the prepared pages (their barcodes decode, End shows
# other ones) and Escape closes it, and a termination request closes the window and ends the program
# cleanly. Fails when a tool it needs is missing: scripts/deps.sh installs them all.
set -euo pipefail
build=$1
src=$2
for tool in xvfb-run xdotool import zbarimg; do
  if ! command -v "$tool" >/dev/null; then echo "FAIL $tool is not installed"; exit 1; fi
done
[ -x "$build/BarCodeDemo" ] || { echo "FAIL BarCodeDemo is not built"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$src/resources/Clienti.xml" "$work/"
[ -e "$src/resources/BarCodeDemo.zvf" ] && cp "$src/resources/BarCodeDemo.zvf" "$work/"
shot="$build/screen-FormMain.png"
preview_shot="$build/screen-Preview.png"
last_shot="$build/screen-Preview-last.png"
cat > "$work/run.sh" <<INNER
set -eu
cd "$work"
QT_QPA_PLATFORM=xcb "$build/BarCodeDemo" > "$work/out.txt" 2>&1 &
pid=\$!
# Waits up to 10 s for a window with this title and prints its id; stops the program otherwise.
wait_window() {
  for i in \$(seq 1 100); do
    id=\$(xdotool search --name "\$1" 2>/dev/null | head -1 || true)
    [ -n "\$id" ] && { echo "\$id"; return 0; }
    sleep 0.1
  done
  echo "window '\$1' did not appear" >&2; cat "$work/out.txt" >&2; kill \$pid; return 1
}
win=\$(wait_window "Zelvo report BarCode Demo")
sleep 0.5
title=\$(xdotool getwindowname "\$win")
[ "\$title" = "Zelvo report BarCode Demo" ] || { echo "title: \$title"; kill \$pid; exit 1; }
import -window root "$shot"
# The Report button: client position of the bottom panel (top 226) plus the button's (449, 8), centred.
xdotool mousemove --window "\$win" 486 246 click 1
pwin=\$(wait_window "Anteprima - Demo BarCode")
sleep 0.5
import -window root "$preview_shot"
# End shows the last page: other records, other barcodes.
xdotool windowfocus --sync "\$pwin"
xdotool key End
sleep 0.5
import -window root "$last_shot"
# Escape closes the preview (its pages have the keyboard focus).
xdotool key Escape
for i in \$(seq 1 50); do
  xdotool search --name "Anteprima - Demo BarCode" >/dev/null 2>&1 || break
  sleep 0.1
done
if xdotool search --name "Anteprima - Demo BarCode" >/dev/null 2>&1; then echo "preview did not close"; kill \$pid; exit 1; fi
# Without a window manager nobody sends the close request: the program closes its window on SIGTERM.
kill -TERM \$pid
for i in \$(seq 1 50); do kill -0 \$pid 2>/dev/null || break; sleep 0.1; done
if kill -0 \$pid 2>/dev/null; then echo "program still running"; kill \$pid; exit 1; fi
wait \$pid || { echo "program failed"; cat "$work/out.txt"; exit 1; }
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/run.sh"
# The screenshot must show something: more than a handful of colours.
colours=$(identify -format '%k' "$shot")
[ "$colours" -gt 8 ] || { echo "screenshot nearly blank ($colours colours)"; exit 1; }
# The preview shows prepared pages: their barcodes decode, and the last page holds other ones.
first=$(zbarimg -q "$preview_shot" 2>/dev/null | grep '^EAN-13:' | sort || true)
last=$(zbarimg -q "$last_shot" 2>/dev/null | grep '^EAN-13:' | sort || true)
[ -n "$first" ] || { echo "no barcode decodes on the first page shown"; exit 1; }
[ -n "$last" ] && [ "$first" != "$last" ] || { echo "the last page shows no other barcodes"; exit 1; }
# Closing without changes left the table file as it was.
cmp -s "$src/resources/Clienti.xml" "$work/Clienti.xml" || { echo "Clienti.xml was rewritten"; exit 1; }
echo "ok: window titled, preview pages with barcodes ($(echo "$first" | wc -l) on the first, $(echo "$last" | wc -l) on the last), screenshots $shot, $preview_shot, $last_shot"
