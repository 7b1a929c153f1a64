#!/usr/bin/env bash
# tools/check_layers.sh on a small tree that breaks each rule once: it must
# fail and name every offending include, and pass on the same tree mended.
set -euo pipefail
root="$(cd "${1:-$(dirname "$0")/../..}" && pwd)"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT

folders=(platform core io markup picture audio render render/gl engine scene physics squirrel script app ui scriptapi)
mkdir -p "${folders[@]/#/$tree/}" "$tree/render/shader" "$tree/io/bench" "$tree/squirrel/stdlib"
(cd "$root" && cp --parents "${folders[@]/%//CMakeLists.txt}" "$tree")

# Allowed: own folder, folders below, plain local names, standard headers,
# libraries in their folder, bench/ outside the table.
cat >"$tree/render/shader/fine.cpp" <<'EOF'
#include "render/texture.h"
#include "markup/reader.h"
#include "platform/files.h"
#include "shader_block.h"
#include <vector>
EOF
printf '#include <zlib.h>\n#include "io/handle.h"\n' >"$tree/io/fine.cpp"
printf '#include <jpeglib.h>\n#include <stb/stb_image.h>\n' >"$tree/picture/fine.cpp"
printf '#include <stb/stb_vorbis.h>\n#include "io/handle.h"\n' >"$tree/audio/fine.cpp"
printf '#include <unistd.h>\n#include <SDL2/SDL.h>\n' >"$tree/platform/fine.cpp"
printf '#include <ft2build.h>\n#include "engine/engine.h"\n#include "platform/os_input.h"\n' >"$tree/ui/fine.cpp"
printf '#include "squirrel/squirrel.h"\n' >"$tree/squirrel/stdlib/fine.cpp"
printf '#include "engine/engine.h"\n#include <unistd.h>\n' >"$tree/io/bench/fine.cpp"
printf '#include <BulletDynamics/Dynamics/btRigidBody.h>\n#include "engine/engine.h"\n' >"$tree/physics/fine.cpp"
printf '#include "render/gl/gl_functions.h"\n#include "render/renderer.h"\n#include "platform/gl_types.h"\n' >"$tree/render/gl/fine.cpp"

expect_pass() {
    if ! bash "$root/tools/check_layers.sh" "$tree" >/dev/null 2>"$tree/out"; then
        echo "check failed on an allowed tree ($1):" >&2
        cat "$tree/out" >&2
        exit 1
    fi
}
expect_pass "allowed includes"

# The check starts a handful of processes however many includes it reads (one per
# include made it take minutes on the whole tree): every outside tool it may call
# is a shim that logs each start, and nothing else is on its PATH.
printf '#include "core/log%d.h"\n' {1..300} >"$tree/render/many.cpp"
shims="$tree/shims"
mkdir "$shims"
: >"$tree/started"
for tool in grep sed awk sort tr cut cat head tail wc uniq find xargs cmake python3; do
    printf '#!/bin/sh\necho %s >>"%s"\nPATH="%s" exec %s "$@"\n' "$tool" "$tree/started" "$PATH" "$tool" >"$shims/$tool"
done
chmod +x "$shims"/*
if ! PATH="$shims" "$BASH" "$root/tools/check_layers.sh" "$tree" >/dev/null 2>"$tree/out"; then
    echo "check failed with only the common tools on its path:" >&2
    cat "$tree/out" >&2
    exit 1
fi
mapfile -t started <"$tree/started"
if ((${#started[@]} > 4)); then
    echo "check started ${#started[@]} processes for 300 includes" >&2
    exit 1
fi

cat >"$tree/render/shader/bad.cpp" <<'EOF'
#include "engine/engine.h"
#include "audio/mixer.h"
EOF
printf '#include "markup/reader.h"\n' >"$tree/io/bad.h"
printf '#  include <sys/stat.h>\n#include <zlib.h>\n' >"$tree/core/bad.cpp"
printf '#include <jpeglib.h>\n#include "../io/handle.h"\n#include "render/gl/gl_functions.h"\n' >"$tree/render/bad.cpp"
printf '#include <GL/gl.h>\n#include "engine/engine.h"\n' >"$tree/render/gl/bad.cpp"
printf '#include "core/log.h"\n#include <pthread.h>\n' >"$tree/squirrel/bad.cpp"
printf '#include <LinearMath/btVector3.h>\n' >"$tree/physics/bad.h"
printf '#include <btBulletDynamicsCommon.h>\n' >"$tree/engine/bad.cpp"
printf '#include <freetype/freetype.h>\n' >>"$tree/engine/bad.cpp"
printf '#include <stb/stb_image.h>\n' >"$tree/audio/bad.cpp"
printf '#include <stb/stb_vorbis.h>\n' >"$tree/picture/bad.cpp"
sed -i 's/ze_library(audio DEPS core io /ze_library(audio DEPS core io markup /' "$tree/audio/CMakeLists.txt"

if bash "$root/tools/check_layers.sh" "$tree" >/dev/null 2>"$tree/out"; then
    echo "check passed on a tree with back-edges" >&2
    exit 1
fi
expected="audio/CMakeLists.txt: links 'core io markup', the layer table says 'core io'
core/bad.cpp:1: #  include <sys/stat.h>: only platform/ includes system and SDL headers
core/bad.cpp:2: #include <zlib.h>: only io/ includes this library
engine/bad.cpp:2: #include <freetype/freetype.h>: only ui/ includes this library
io/bad.h:1: #include \"markup/reader.h\": io/ may not include markup/
render/bad.cpp:1: #include <jpeglib.h>: only picture/ includes this library
render/bad.cpp:2: #include \"../io/handle.h\": relative include outside the folder
render/bad.cpp:3: #include \"render/gl/gl_functions.h\": render/ may not include render/gl/
render/gl/bad.cpp:1: #include <GL/gl.h>: only platform/ includes system and SDL headers
render/gl/bad.cpp:2: #include \"engine/engine.h\": render/gl/ may not include engine/
render/shader/bad.cpp:1: #include \"engine/engine.h\": render/ may not include engine/
render/shader/bad.cpp:2: #include \"audio/mixer.h\": render/ may not include audio/
squirrel/bad.cpp:1: #include \"core/log.h\": squirrel/ may not include core/
squirrel/bad.cpp:2: #include <pthread.h>: only platform/ includes system and SDL headers
physics/bad.h:1: #include <LinearMath/btVector3.h>: this library is included by sources only, never by headers
engine/bad.cpp:1: #include <btBulletDynamicsCommon.h>: only physics/ includes this library
audio/bad.cpp:1: #include <stb/stb_image.h>: only picture/ includes this library
picture/bad.cpp:1: #include <stb/stb_vorbis.h>: only audio/ includes this library
layer check: 18 offending include(s) or table mismatch(es)"
actual="$(sort "$tree/out")"
if [[ "$actual" != "$(sort <<<"$expected")" ]]; then
    echo "unexpected report:" >&2
    diff <(sort <<<"$expected") <(echo "$actual") >&2 || true
    exit 1
fi

rm "$tree"/render/shader/bad.cpp "$tree"/render/gl/bad.cpp "$tree"/io/bad.h "$tree"/core/bad.cpp "$tree"/render/bad.cpp "$tree"/squirrel/bad.cpp \
    "$tree"/physics/bad.h "$tree"/engine/bad.cpp "$tree"/audio/bad.cpp "$tree"/picture/bad.cpp
cp "$root/audio/CMakeLists.txt" "$tree/audio/"
expect_pass "mended tree"
echo "layer check test: passed"
