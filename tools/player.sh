#!/usr/bin/env bash
# Installs what is missing, builds the player in release mode and runs it on the shipped sample.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/deps.sh"
build="${ZE_BUILD:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZE_TESTS=OFF
cmake --build "$build"
sample="$root/samples/hello"
cd "$sample"
# The start-up script "scriptlib/zad.nut" is found through the repository's script/ folder.
exec "$build/app/player" hello.zgp -P -r none -m none -time_live 2 -S "$root/script/" "$@"
