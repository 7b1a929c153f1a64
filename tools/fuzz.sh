#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (warnings as errors; AddressSanitizer, UBSan and
# LeakSanitizer on) and runs each for a bounded time from its seed corpus in
# fuzz/corpus/<target>/. Fails on any crash, sanitizer report, leak, input
# over the time limit (1 s, inputs up to 1 MB) or over the memory limit; the failing input is copied
# into the target's corpus, where it must stay as a regression case (and
# become a unit test).
#
#   tools/fuzz.sh [seconds per target] [target...]
# Environment: ZE_FUZZ_BUILD (build directory), ZE_FUZZ_JOBS (build jobs, and targets run at once),
# ZE_FUZZ_RSS_MB (memory limit per target, default 2048).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
shift || true
build="${ZE_FUZZ_BUILD:-$root/build-fuzz}"
jobs="${ZE_FUZZ_JOBS:-$(nproc)}"
rss_mb="${ZE_FUZZ_RSS_MB:-2048}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZE_FUZZ=ON -DZE_SANITIZE=ON -DZE_TESTS=OFF -DZE_BENCHMARKS=OFF -DZE_WERROR=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target fuzz_all -j"$jobs"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for directory in "$root"/fuzz/corpus/*/; do
        targets+=("$(basename "$directory")")
    done
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# One target: its run in the background, its log and exit status in $work/<target>/.
fuzz_target() {
    local target="$1" binary="$build/fuzz/fuzz_$1"
    local status=0
    # Inputs up to a megabyte, so that a reader slower than linear times out.
    "$binary" "$work/$target/corpus" -max_total_time="$seconds" -timeout=1 -rss_limit_mb="$rss_mb" -max_len=1048576 \
        -print_final_stats=1 -artifact_prefix="$work/$target/artifacts/" \
        >"$work/$target/log" 2>&1 || status=$?
    echo "$status" >"$work/$target/status"
}

# As many targets at once as there are build jobs (one core each); the
# reports follow in the targets' order.
failed=()
runnable=()
for target in "${targets[@]}"; do
    binary="$build/fuzz/fuzz_$target"
    seeds="$root/fuzz/corpus/$target"
    if [ ! -x "$binary" ] || [ ! -d "$seeds" ]; then
        echo "fuzz: no target or corpus for '$target'" >&2
        failed+=("$target")
        continue
    fi
    # The repository corpus stays as it is; new inputs go to a scratch copy.
    mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
    cp "$seeds"/* "$work/$target/corpus/"
    runnable+=("$target")
done
running=0
for target in "${runnable[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    fuzz_target "$target" &
    running=$((running + 1))
done
wait
for target in "${runnable[@]}"; do
    seeds="$root/fuzz/corpus/$target"
    echo "== fuzz_$target: ${seconds}s"
    status="$(cat "$work/$target/status" 2>/dev/null || echo 1)"
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$work/$target/log" | tail -2 || true
    artifacts=("$work/$target/artifacts"/*)
    if [ "$status" -ne 0 ] || [ -e "${artifacts[0]}" ]; then
        tail -60 "$work/$target/log" >&2
        for artifact in "${artifacts[@]}"; do
            [ -e "$artifact" ] || continue
            cp "$artifact" "$seeds/"
            echo "fuzz_$target: failing input kept as fuzz/corpus/$target/$(basename "$artifact")" >&2
        done
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz: failed: ${failed[*]}" >&2
    exit 1
fi
echo "fuzz: all targets passed"
