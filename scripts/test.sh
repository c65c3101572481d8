#!/usr/bin/env bash
# Builds and runs every test: the normal build, the build without Qt, and the sanitizer build.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh || exit 1
jobs=$(nproc)
passed=0; failed=0; status=0

run_config() {  # name, cmake options...
  local name=$1; shift
  echo "== build/$name"
  cmake -S . -B "build/$name" -G Ninja "$@" >/dev/null || { status=1; failed=$((failed+1)); return; }
  cmake --build "build/$name" -j "$jobs" || { status=1; failed=$((failed+1)); return; }
  local log="build/$name/ctest.log"
  (cd "build/$name" && ctest -j "$jobs" --output-on-failure --timeout 600) 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    bad=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/')
    total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    passed=$((passed + total - bad)); failed=$((failed + bad))
  else
    status=1
  fi
}

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_config release -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config noqt -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_WITH_QT=OFF -DZV_BENCH=OFF
run_config asan -DCMAKE_BUILD_TYPE=Debug -DZV_SANITIZE=ON -DZV_BENCH=OFF

echo "all configurations: $passed passed, $failed failed"
exit $status
