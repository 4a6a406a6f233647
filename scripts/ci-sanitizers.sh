#!/usr/bin/env bash
# Builds the program, its tools and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang) and runs all the tests, the
# several-workstations test included (its workstation processes are built the
# same way). Any sanitizer report fails: ASan and UBSan stop the process,
# LeakSanitizer fails it at exit.
#   scripts/ci-sanitizers.sh            (build in build-asan/)
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/dependencias.sh"
build=${ORLAVANE_BUILD_ASAN:-$raiz/build-asan}
CC=clang CXX=clang++ cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DORLAVANE_WERROR=ON -DORLAVANE_SANITIZE=ON
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS="abort_on_error=1:halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$raiz/scripts/lsan-suprimir.txt:print_suppressions=0"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 900
