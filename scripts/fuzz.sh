#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them:
#   bash scripts/fuzz.sh fuzz_emf 120     one target for 120 seconds
#   bash scripts/fuzz.sh all 600          every target, 600 seconds each, one after the other
#   bash scripts/fuzz.sh 600              the same as "all 600"
#   bash scripts/fuzz.sh all 3600 10000000   each target until 10 million executions or an hour
# A run starts from fuzz/corpus/TARGET/ and writes new inputs to build/fuzz/corpus-TARGET/; a crash,
# leak or undefined behaviour stops it with the input saved as build/fuzz/crash-* etc. (copy such
# an input into fuzz/corpus/TARGET/ once the reader is mended, so that the normal test run replays
# it). After a run without findings the new inputs that add coverage are merged, minimised, into
# fuzz/corpus/TARGET/. Each run ends with a line "TARGET: N executions in S s". The Qt targets
# (fuzz_pdf) build in build/fuzz-qt with the Qt parts.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${1:-} =~ ^[0-9]+$ ]]; then set -- all "$1"; fi
target=${1:?usage: scripts/fuzz.sh TARGET|all [SECONDS [RUNS]]}
seconds=${2:-120}
runs=${3:-}
qt_targets=" fuzz_pdf "
if [ "$target" = all ]; then
  targets=$(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
else
  [ -f "fuzz/$target.cpp" ] || { echo "no fuzz target fuzz/$target.cpp" >&2; exit 2; }
  targets=$target
fi
bash scripts/deps.sh
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen
status=0
for t in $targets; do
  build=build/fuzz; qt=OFF
  if [[ $qt_targets == *" $t "* ]]; then build=build/fuzz-qt; qt=ON; fi
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_FUZZ=ON -DZV_WITH_QT=$qt \
    -DZV_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build "$build" --target "$t"
  mkdir -p "$build/corpus-$t" "fuzz/corpus/$t"
  log="$build/$t.log"
  start=$SECONDS
  if "$build/$t" -max_total_time="$seconds" ${runs:+-runs="$runs"} -artifact_prefix="$build/" -print_final_stats=1 \
      "$build/corpus-$t" "fuzz/corpus/$t" 2>&1 | tee "$log" | grep -E '^(==|SUMMARY|stat::number_of_executed_units)'; then :; fi
  if [ "${PIPESTATUS[0]}" -ne 0 ] || grep -qE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer)|runtime error' "$log"; then
    echo "$t: FINDING, see $log and $build/crash-*"; status=1; continue
  fi
  "$build/$t" -merge=1 "fuzz/corpus/$t" "$build/corpus-$t" >/dev/null 2>&1 || true
  executed=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log" | tail -1)
  echo "$t: ${executed:-0} executions in $((SECONDS - start)) s; corpus $(ls "fuzz/corpus/$t" | wc -l) files"
done
exit $status
