#!/usr/bin/env bash
# Times the benchmark programs with the given sq runner (default: a Release build in build-sq-rel)
# and, when lua5.4 is installed, their Lua equivalents; prints both and the ratio sq / Lua.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sq="${1:-$here/../../build-sq-rel/squirrel/sq/sq}"
lua="${LUA:-$(command -v lua5.4 || true)}"
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
printf '%-8s %9s %9s %7s\n' program sq lua ratio
for f in fib loop methods strings; do
  s=$(seconds "$sq" "$here/$f.nut")
  if [ -n "$lua" ]; then
    l=$(seconds "$lua" "$here/$f.lua")
    printf '%-8s %8.3fs %8.3fs %7.2f\n' "$f" "$s" "$l" "$(echo "$s / $l" | bc -l)"
  else
    printf '%-8s %8.3fs %9s %7s\n' "$f" "$s" - -
  fi
done
