#!/usr/bin/env bash
# Screen test: every library window on a real X display (Xvfb) — the window-text check of
# test_Dialogs runs on the xcb platform, and each window is photographed with ImageMagick into
# build/screen-dialogs/. Fails when a tool it needs is missing (scripts/deps.sh installs them all) or test_Dialogs is not built.
set -euo pipefail
build=$1
for tool in xvfb-run import identify; do
  if ! command -v "$tool" >/dev/null; then echo "FAIL $tool is not installed"; exit 1; fi
done
[ -x "$build/test_Dialogs" ] || { echo "FAIL test_Dialogs is not built"; exit 1; }
shots="$build/screen-dialogs"
rm -rf "$shots"
mkdir -p "$shots"
windows=(Anteprima Trova Avanzamento Esportazione CodiceABarre EditorEspressioni EditorParametri CampoDB
         Variabili FormattaVariabile)
QT_QPA_PLATFORM=xcb ZV_SCREENSHOT_DIR="$shots" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/test_Dialogs" everyWindowShowsItsTextsWhole
for w in "${windows[@]}"; do
  shot="$shots/$w.png"
  [ -s "$shot" ] || { echo "no screenshot of $w"; exit 1; }
  # A window with its controls drawn has more than a handful of colours.
  colours=$(identify -format '%k' "$shot")
  [ "$colours" -gt 8 ] || { echo "screenshot of $w nearly blank ($colours colours)"; exit 1; }
done
echo "ok: ${#windows[@]} windows show their texts whole on the X display; screenshots in $shots"
