#!/usr/bin/env bash
# Installs what is missing, builds the player in release mode and runs it on the shipped sample.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/deps.sh"
build="${ZE_BUILD:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZE_TESTS=OFF
cmake --build "$build"
sample="$root/samples/hello"
if [ -x "$build/app/player" ] && [ -f "$sample/hello.zms" ]; then
    cd "$sample"
    exec "$build/app/player" hello.zms -r none -m none -time_live 2 "$@"
fi
echo "Built $build/app/player. It reads its command line, bootstrap.txt and engine.cfg, opens the"
echo "null renderer and mixer and starts the script VM, but cannot run a scene or a project yet"
echo "(no sample ships)."
