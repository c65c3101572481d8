#!/usr/bin/env bash
# The main job: installs the packages, builds, puts the demo's data files beside the program and
# runs it — in a window when a display is present, otherwise rendering to build/demo-output/.
#
# With --sqlite it copies the rows of Clienti.xml into Clienti.db (SQLite) and renders the same
# report from that file headless, through zvreport, to build/demo-output/sqlite/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_BENCH=OFF >/dev/null
bin="$root/build/release"
if [ "${1:-}" = "--sqlite" ]; then
  cmake --build build/release -j "$(nproc)" --target zvreport
  out="$root/build/demo-output/sqlite"
  rm -rf "$out"; mkdir -p "$out"
  cd "$bin"
  [ -e Clienti.xml ] || cp "$root/resources/Clienti.xml" Clienti.xml
  [ -e BarCodeDemo.zvf ] || cp "$root/resources/BarCodeDemo.zvf" BarCodeDemo.zvf
  ./zvreport sql-table Clienti.xml Clienti.db Clienti
  query="FormMain.ClientDataSet=SELECT Cognome, Nome, CS, BarCode FROM Clienti ORDER BY rowid"
  export QT_QPA_PLATFORM=offscreen
  for ext in pdf png zvp; do ./zvreport render BarCodeDemo.zvf --db Clienti.db --query "$query" -o "$out/report.$ext"; done
  # The same template over the XML packet, for comparison page by page.
  ./zvreport render BarCodeDemo.zvf --data FormMain.ClientDataSet=Clienti.xml -o "$out/from-xml.zvp" >/dev/null
  if cmp -s <(./zvreport dump "$out/report.zvp") <(./zvreport dump "$out/from-xml.zvp"); then
    echo "the pages from Clienti.db equal those from Clienti.xml"
  else
    echo "the pages from Clienti.db differ from those from Clienti.xml" >&2
    exit 1
  fi
  echo "files written:"
  ls -l "$out"
  exit 0
fi
cmake --build build/release -j "$(nproc)" --target BarCodeDemo
# The program reads Clienti.xml and BarCodeDemo.zvf from its working folder, its own folder here.
for f in Clienti.xml BarCodeDemo.zvf; do
  if [ ! -e "$bin/$f" ] && [ -e "resources/$f" ]; then
    cp "resources/$f" "$bin/$f"
    echo "copied resources/$f beside the program"
  fi
done
cd "$bin"
if [ -n "${DISPLAY:-}" ]; then
  echo "starting the demo window on $DISPLAY (close it to end)"
  exec ./BarCodeDemo
fi
out="$root/build/demo-output"
rm -rf "$out"
echo "no display: rendering to $out"
QT_QPA_PLATFORM=offscreen ./BarCodeDemo --render "$out"
echo "files written:"
ls -l "$out"
