#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them for a while:
#   bash scripts/fuzz.sh fuzz_emf 120
# It starts from fuzz/corpus/TARGET/ and writes new inputs to build/fuzz/corpus-TARGET/ (not into
# the repository); a crash, leak or undefined behaviour stops the run with the input saved as
# build/fuzz/crash-* etc. Copy such an input into fuzz/corpus/TARGET/ once the reader is mended,
# so that the normal test run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS]}
seconds=${2:-120}
[ -f "fuzz/$target.cpp" ] || { echo "no fuzz target fuzz/$target.cpp" >&2; exit 2; }
bash scripts/deps.sh
build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_FUZZ=ON -DZV_WITH_QT=OFF \
  -DZV_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target "$target"
mkdir -p "$build/corpus-$target"
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
"$build/$target" -max_total_time="$seconds" -artifact_prefix="$build/" -print_final_stats=1 \
  "$build/corpus-$target" "fuzz/corpus/$target"
