#!/usr/bin/env bash
# Checks that the library folders include one way, down the layers:
#   platform -> core -> io -> markup / picture -> render / audio -> engine -> script -> ui / app,
# with render/gl/ (the GPU renderer, its own library over platform and render),
# physics/ over engine, scene/ over physics and script (neither sees scene/), and
# squirrel/ on its own (script/ uses its public API).
# Prints every offending file:line and include, and fails when there is one. Run
# by the test suite (CTest test "layers").
#
# Rules, for every source of a library folder (its subfolders count as the folder):
# - "<folder>/<file>" includes name the folder itself or a folder below it in the
#   table; a plain "<file>" is the including file's own directory; "../" is refused.
#   A subfolder with a library of its own (render/gl) is a folder of the table:
#   its parent neither sees it nor counts its sources.
# - POSIX, SDL, OpenAL and GL headers only in platform/.
# - zlib only in io/, libjpeg and stb only in picture/, FreeType only in ui/, Bullet only
#   in the .cpp files of physics/ (its headers declare Bullet's classes, never include them).
# tests/, fuzz/ and the bench/ folders are harnesses, not layers: they may include
# any folder they link and set up host files and processes with POSIX calls.
set -euo pipefail
root="$(cd "${1:-$(dirname "$0")/..}" && pwd)"

# Each folder with the folders it links directly: the DEPS of its CMakeLists.txt.
declare -A deps=(
    [platform]=""
    [core]="platform"
    [io]="core"
    [markup]="io"
    [picture]="core io"
    [audio]="core io"
    [render]="core io markup picture"
    [render/gl]="core io markup picture platform render"
    [engine]="core io markup picture render audio"
    [scene]="core io markup engine physics script"
    [physics]="core io markup engine"
    [squirrel]=""
    [script]="core io markup picture render engine squirrel"
    [app]="engine scene script ui"
    [ui]="engine scene script"
)
order="platform core io markup picture audio render render/gl engine scene physics squirrel script ui app"

# System headers of the operating system and the windowing, sound and GL libraries.
platform_only='^(unistd|dirent|pthread|fcntl|dlfcn|sched|semaphore|fnmatch|glob|poll|termios|spawn|pwd|libgen)\.h$|^(sys|arpa|netinet|AL|GL|GLES[0-9]*|EGL|X11)/|^SDL'
# Outside libraries used inside one folder only: header pattern -> folder.
declare -A owned=(
    ['^zlib\.h$']=io
    ['^(jpeglib|jerror|jconfig|jmorecfg)\.h$']=picture
    ['^stb/']=picture
    ['^(btBullet[A-Za-z]*\.h$|BulletCollision/|BulletDynamics/|BulletSoftBody/|LinearMath/|Bullet3[A-Za-z]*/)']=physics
    ['^(ft2build\.h$|freetype/)']=ui
)
# Of those, the libraries whose headers only sources (.c, .cpp) may include.
sources_only='^(btBullet[A-Za-z]*\.h$|BulletCollision/|BulletDynamics/|BulletSoftBody/|LinearMath/|Bullet3[A-Za-z]*/)'

# The library subfolders inside a folder, as "a|b", or a pattern matching none.
nested_of() {
    local found="" candidate
    for candidate in $order; do
        if [[ "$candidate" == "$1"/* ]]; then
            found+="${found:+|}${candidate#"$1"/}"
        fi
    done
    echo "${found:-/}"
}

failures=0
fail() {
    echo "$1" >&2
    failures=$((failures + 1))
}

# The table must say what CMake says: the DEPS of ze_library(<folder> ...).
for folder in $order; do
    library="${folder//\//_}"
    listed="$(sed -n "s/^ze_library($library\b\(.*\))\$/\1/p" "$root/$folder/CMakeLists.txt")"
    cmake_deps=""
    if [[ "$listed" == *DEPS* ]]; then
        cmake_deps="$(sed 's/.*\bDEPS\b//; s/\bPRIVATE_DEPS\b.*//; s/\bSUBDIRS\b.*//' <<<"$listed" |
            tr ' ' '\n' | grep -v '::' | grep -v '^$' | sort | tr '\n' ' ' || true)"
    fi
    table="$(tr ' ' '\n' <<<"${deps[$folder]}" | grep -v '^$' | sort | tr '\n' ' ' || true)"
    if [[ "$cmake_deps" != "$table" ]]; then
        fail "$folder/CMakeLists.txt: links '${cmake_deps% }', the layer table says '${table% }'"
    fi
done

# Everything a folder may include: itself and the closure of its links.
declare -A visible
for folder in $order; do
    seen=" $folder "
    pending="${deps[$folder]}"
    while [[ -n "${pending// /}" ]]; do
        read -r next pending <<<"$pending" || true
        [[ "$seen" == *" $next "* ]] && continue
        seen+="$next "
        pending+=" ${deps[$next]}"
    done
    visible[$folder]="$seen"
done

for folder in $order; do
    while IFS= read -r match; do
        file="${match%%:*}"
        rest="${match#*:}"
        line="${rest%%:*}"
        text="${rest#*:}"
        where="${file#"$root"/}:$line: $(sed 's/^[[:space:]]*//' <<<"$text")"
        if [[ "$text" =~ \#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            name="${BASH_REMATCH[1]}"
            if [[ "$name" == *../* ]]; then
                fail "$where: relative include outside the folder"
            elif [[ "$name" == */* ]]; then
                target="${name%%/*}"
                for nested in $order; do
                    [[ "$nested" == */* && "$name" == "$nested"/* ]] && target="$nested"
                done
                if [[ "${visible[$folder]}" != *" $target "* ]]; then
                    fail "$where: $folder/ may not include $target/"
                fi
            fi
        elif [[ "$text" =~ \#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
            name="${BASH_REMATCH[1]}"
            if [[ "$folder" != platform && "$name" =~ $platform_only ]]; then
                fail "$where: only platform/ includes system and SDL headers"
            fi
            if [[ "$name" =~ $sources_only && "$file" != *.cpp && "$file" != *.c ]]; then
                fail "$where: this library is included by sources only, never by headers"
            fi
            for pattern in "${!owned[@]}"; do
                if [[ "$name" =~ $pattern && "$folder" != "${owned[$pattern]}" ]]; then
                    fail "$where: only ${owned[$pattern]}/ includes this library"
                fi
            done
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' "$root/$folder" \
        --include='*.h' --include='*.hpp' --include='*.inl' --include='*.c' --include='*.cpp' \
        --exclude-dir=bench | grep -vE "^$root/$folder/($(nested_of "$folder"))/" | sort -t: -k1,1 -k2,2n)
done

if ((failures)); then
    echo "layer check: $failures offending include(s) or table mismatch(es)" >&2
    exit 1
fi
echo "layer check: every library folder includes only its own layer and those below"
