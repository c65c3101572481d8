#!/usr/bin/env bash
# Builds and runs every test: the normal build, the build without Qt, and the sanitizer build.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh || exit 1
jobs=$(nproc)
passed=0; failed=0; skipped=0; status=0

# A configuration that does not build counts as one failure. A skipped test fails the run too:
# this command installs every tool the tests need, so a skip means something is broken. Tests that
# mean nothing in a configuration are left out of it by CMake instead of skipping.
run_config() {  # name, cmake options...
  local name=$1; shift
  echo "== build/$name"
  if ! cmake -S . -B "build/$name" -G Ninja "$@" >/dev/null || ! cmake --build "build/$name" -j "$jobs"; then
    status=1; failed=$((failed+1))
    echo "build/$name: 0 passed, 1 failed, 0 skipped (the build failed)"
    return
  fi
  local log="build/$name/ctest.log"
  (cd "build/$name" && ctest -j "$jobs" --output-on-failure --timeout 600) 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  local line total bad skip
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then
    status=1; failed=$((failed+1))
    echo "build/$name: 0 passed, 1 failed, 0 skipped (no ctest summary)"
    return
  fi
  bad=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/')
  total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
  skip=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$log")
  [ "$skip" -eq 0 ] || status=1
  echo "build/$name: $((total - bad - skip)) passed, $bad failed, $skip skipped"
  passed=$((passed + total - bad - skip)); failed=$((failed + bad)); skipped=$((skipped + skip))
}

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_config release -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config noqt -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_WITH_QT=OFF -DZV_BENCH=OFF
run_config asan -DCMAKE_BUILD_TYPE=Debug -DZV_SANITIZE=ON -DZV_BENCH=OFF

echo "all configurations: $passed passed, $failed failed, $skipped skipped"
exit $status
