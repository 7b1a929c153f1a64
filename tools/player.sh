#!/usr/bin/env bash
# Installs what is missing, builds the player in release mode and runs it on the shipped samples:
# the project, then the scene.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/deps.sh"
build="${ZE_BUILD:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZE_TESTS=OFF
cmake --build "$build"
# The start-up script "scriptlib/zad.nut" is found through the repository's script/ folder.
run() { (cd "$root/samples/$1" && "$build/app/player" "${@:2}" -r none -m none -time_live 2 -S "$root/script/"); }
run hello hello.zgp -P "$@"
run scene crate.zms "$@"
