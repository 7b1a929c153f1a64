#!/usr/bin/env bash
# Runs each benchmark program with the given sq runner (default: a Release build in build-sq-rel)
# and, when lua5.4 is installed, its Lua twin: checks that both print the same output, then prints
# the best CPU time (user + system) of RUNS interleaved runs (default 11), the ratio sq / Lua and
# the peak resident memory of one run of each (GNU time, when installed). Usage: run.sh [sq [program...]]
# A twin looks names up the same way as its program: a Squirrel global (a root table slot) is a Lua
# global, a Squirrel local a Lua local.
# The native_* programs call C functions: they run in native_bench (the script API's natives) and
# native_bench_lua (the same functions registered with lua_register), found in NATIVE_BENCH (default:
# build-rel/squirrel/bench of a Release build with -DZE_BENCHMARKS=ON); without them they are skipped.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sq="${1:-$here/../../build-sq-rel/squirrel/sq/sq}"
shift || true
programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  programs=(loop methods closures strings fib spectral nbody tables sort inmiss native_number native_vector)
fi
native="${NATIVE_BENCH:-$here/../../build-rel/squirrel/bench}"
lua="${LUA:-$(command -v lua5.4 || true)}"
gnutime="$(command -v /usr/bin/time || true)"
runs="${RUNS:-11}"
[ -x "$sq" ] || { echo "no sq runner at $sq (build one in Release)" >&2; exit 1; }
[ -n "$lua" ] || echo "lua5.4 not found (apt-get install lua5.4): timing sq alone" >&2
[ -n "$gnutime" ] || echo "GNU time not found (apt-get install time): no peak memory" >&2
cpu_seconds() {
  local TIMEFORMAT='%U %S' t
  t=$( { time "$@" > /dev/null; } 2>&1 )
  echo "$t" | awk '{ print $1 + $2 }'
}
peak_kb() {
  if [ -n "$gnutime" ]; then "$gnutime" -f %M "$@" 2>&1 > /dev/null | tail -n 1; else echo -; fi
}
smaller() { echo "$1 $2" | awk '{ print ($1 < $2) ? $1 : $2 }'; }
status=0
printf '%-13s %8s %8s %6s %9s %9s %6s\n' program sq lua ratio sq-KB lua-KB ratio
for f in "${programs[@]}"; do
  sqrun="$sq" luarun="$lua"
  case "$f" in
    native_*)
      if [ ! -x "$native/native_bench" ] || [ ! -x "$native/native_bench_lua" ]; then
        echo "$f: no native_bench and native_bench_lua in $native: skipped" >&2
        continue
      fi
      sqrun="$native/native_bench" luarun="$native/native_bench_lua" ;;
  esac
  if [ -n "$luarun" ] && ! diff <("$sqrun" "$here/$f.nut") <("$luarun" "$here/$f.lua") > /dev/null; then
    echo "$f: the outputs of $f.nut and $f.lua differ" >&2
    status=1
    continue
  fi
  s=1e9 l=1e9
  for _ in $(seq "$runs"); do
    s=$(smaller "$s" "$(cpu_seconds "$sqrun" "$here/$f.nut")")
    if [ -n "$luarun" ]; then l=$(smaller "$l" "$(cpu_seconds "$luarun" "$here/$f.lua")"); fi
  done
  sm=$(peak_kb "$sqrun" "$here/$f.nut")
  if [ -n "$luarun" ]; then
    lm=$(peak_kb "$luarun" "$here/$f.lua")
    printf '%-13s %7.3fs %7.3fs %6.2f %9s %9s %6s\n' "$f" "$s" "$l" "$(echo "$s $l" | awk '{ print $1 / $2 }')" \
      "$sm" "$lm" "$(echo "$sm $lm" | awk '$2 > 0 { printf "%.2f", $1 / $2 }')"
  else
    printf '%-13s %7.3fs %8s %6s %9s %9s %6s\n' "$f" "$s" - - "$sm" - -
  fi
done
exit "$status"
