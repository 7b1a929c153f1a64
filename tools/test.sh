#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan, warnings as errors, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/deps.sh"
build="${ZE_TEST_BUILD:-$root/build-test}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZE_SANITIZE=ON -DZE_TESTS=ON -DZE_WERROR=ON
cmake --build "$build"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600
