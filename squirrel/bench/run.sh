#!/usr/bin/env bash
# Times the benchmark programs with the given sq runner (default: a Release build in build-sq-rel)
# and, when lua5.4 is installed, their Lua equivalents; prints the best CPU time (user + system)
# of RUNS runs (default 11) of each, interleaved, and the ratio sq / Lua.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sq="${1:-$here/../../build-sq-rel/squirrel/sq/sq}"
lua="${LUA:-$(command -v lua5.4 || true)}"
runs="${RUNS:-11}"
cpu_seconds() {
  local TIMEFORMAT='%U %S' t
  t=$( { time "$@" > /dev/null; } 2>&1 )
  echo "$t" | awk '{ print $1 + $2 }'
}
smaller() { echo "$1 $2" | awk '{ print ($1 < $2) ? $1 : $2 }'; }
printf '%-8s %9s %9s %7s\n' program sq lua ratio
for f in fib loop methods strings; do
  s=1e9 l=1e9
  for _ in $(seq "$runs"); do
    s=$(smaller "$s" "$(cpu_seconds "$sq" "$here/$f.nut")")
    if [ -n "$lua" ]; then l=$(smaller "$l" "$(cpu_seconds "$lua" "$here/$f.lua")"); fi
  done
  if [ -n "$lua" ]; then
    printf '%-8s %8.3fs %8.3fs %7.2f\n' "$f" "$s" "$l" "$(echo "$s $l" | awk '{ print $1 / $2 }')"
  else
    printf '%-8s %8.3fs %9s %7s\n' "$f" "$s" - -
  fi
done
