#!/usr/bin/env bash
# Builds the tests of the threaded layers (audio: the sound card's callback
# beside Update, OpenAL Soft's mixer thread; platform: threads and mutexes)
# with ThreadSanitizer and runs them. A build of its own: TSan and ASan do not mix.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZE_TSAN_BUILD:-$root/build-tsan}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZE_TSAN=ON -DZE_TESTS=ON -DZE_WERROR=ON \
    ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER}
cmake --build "$build" --target audio_tests platform_tests ${ZE_TSAN_JOBS:+-j"$ZE_TSAN_JOBS"}
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tools/tsan.supp"
"$build/tests/audio_tests"
"$build/tests/platform_tests"
