#!/usr/bin/env bash
# Times the benchmark programs with the given sq runner (default: a Release build in build-sq-rel).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sq="${1:-$here/../../build-sq-rel/squirrel/sq/sq}"
for f in fib loop methods strings; do
  start=$(date +%s.%N)
  "$sq" "$here/$f.nut" > /dev/null
  end=$(date +%s.%N)
  printf '%-8s %.3f s\n' "$f" "$(echo "$end - $start" | bc)"
done
