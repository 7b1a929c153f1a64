#!/usr/bin/env bash
# Installs what is missing, builds the player in release mode and runs it on the shipped sample.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/deps.sh"
build="${ZE_BUILD:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZE_TESTS=OFF
cmake --build "$build"
if [ -x "$build/app/player" ]; then
    cd "$root/samples/hello"
    exec "$build/app/player" hello.zms -r none -m none -time_live 2 "$@"
fi
echo "Built. The player program is not part of the build yet."
