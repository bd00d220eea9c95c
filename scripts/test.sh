#!/usr/bin/env bash
# Builds and runs every test: once in a plain build, once under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded code under
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
run_tests() {
  local dir=$1
  shift
  ctest --test-dir "$dir" --output-on-failure --parallel "$jobs" --timeout 600 "$@"
}

echo "== plain build"
scripts/build.sh build
# The browser test runs once, below, where the tools that write its pages are
# also checked for memory faults: the pages and the checks are the same in
# every build, and its browser was the plain run's heaviest load.
run_tests build -LE browser

# The sanitizer builds compile only what their tests run: the plain build
# has compiled everything else with the same warnings.
echo "== address + undefined behaviour sanitizers"
scripts/build.sh build-asan -DCURLING_SANITIZE=address,undefined -DCURLING_BUILD_BENCH=OFF -- test_programs
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_tests build-asan

echo "== thread sanitizer"
scripts/build.sh build-tsan -DCURLING_SANITIZE=thread -DCURLING_BUILD_BENCH=OFF -- threaded_test_programs
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_tests build-tsan -L threaded
