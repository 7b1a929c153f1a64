#!/usr/bin/env bash
# Checks that the library folders include one way, down the layers:
#   platform -> core -> io -> markup / picture -> render / audio -> engine -> script -> ui -> scriptapi -> app,
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
# - zlib only in io/, libjpeg and stb only in picture/ (stb_vorbis only in audio/), FreeType only in ui/, Bullet only
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
    [scriptapi]="engine scene physics script ui"
    [app]="engine scene script scriptapi ui render/gl"
    [ui]="engine scene script"
)
order="platform core io markup picture audio render render/gl engine scene physics squirrel script ui scriptapi app"

# System headers of the operating system and the windowing, sound and GL libraries.
platform_only='^(unistd|dirent|pthread|fcntl|dlfcn|sched|semaphore|fnmatch|glob|poll|termios|spawn|pwd|libgen)\.h$|^(sys|arpa|netinet|AL|GL|GLES[0-9]*|EGL|X11)/|^SDL'
# Outside libraries used inside one folder only: header pattern -> folder.
declare -A owned=(
    ['^zlib\.h$']=io
    ['^(jpeglib|jerror|jconfig|jmorecfg)\.h$']=picture
    ['^stb/(stb_[^v]|stb_v[^o]|stb\.h|[^s])']=picture
    ['^stb/stb_vorbis']=audio
    ['^(btBullet[A-Za-z]*\.h$|BulletCollision/|BulletDynamics/|BulletSoftBody/|LinearMath/|Bullet3[A-Za-z]*/)']=physics
    ['^(ft2build\.h$|freetype/)']=ui
)
# Of those, the libraries whose headers only sources (.c, .cpp) may include.
sources_only='^(btBullet[A-Za-z]*\.h$|BulletCollision/|BulletDynamics/|BulletSoftBody/|LinearMath/|Bullet3[A-Za-z]*/)'

# Everything below runs inside this shell (builtins, no command substitution) but
# for the one grep and sort over all sources: a process per line or file would
# make the check take minutes.

# Sorts the space-separated words of $1 into the array named $2 as sort(1) would
# (locale order).
sort_words() {
    local -n into="$2"
    local word i split
    into=()
    IFS=' ' read -r -a split <<<"$1" || true
    for word in "${split[@]}"; do
        i=${#into[@]}
        while ((i > 0)) && [[ "$word" < "${into[i - 1]}" ]]; do
            into[i]="${into[i - 1]}"
            i=$((i - 1))
        done
        into[i]="$word"
    done
}

failures=0
fail() {
    echo "$1" >&2
    failures=$((failures + 1))
}
# The offending includes of each folder, printed in table order once every source is read.
declare -A report
fail_in() {
    report[$1]+="$2"$'\n'
    failures=$((failures + 1))
}

# Patterns with \b: written in [[ =~ ]] itself, the backslash would only quote the b.
deps_word='.*\bDEPS\b'
private_deps_on='\bPRIVATE_DEPS\b.*'
subdirs_on='\bSUBDIRS\b.*'

# The table must say what CMake says: the DEPS of ze_library(<folder> ...),
# a library of a subfolder named with '_' for '/' (render_gl: render/gl).
for folder in $order; do
    library="${folder//\//_}"
    mapfile -t lines <"$root/$folder/CMakeLists.txt"
    listed=()
    declared="^ze_library\\($library\\b(.*)\\)\$"
    for text in "${lines[@]}"; do
        if [[ "$text" =~ $declared ]]; then
            listed+=("${BASH_REMATCH[1]}")
        fi
    done
    words=""
    if [[ "${listed[*]}" == *DEPS* ]]; then
        for text in "${listed[@]}"; do
            [[ "$text" =~ $deps_word ]] && text="${text:${#BASH_REMATCH[0]}}"
            [[ "$text" =~ $private_deps_on ]] && text="${text:0:${#text}-${#BASH_REMATCH[0]}}"
            [[ "$text" =~ $subdirs_on ]] && text="${text:0:${#text}-${#BASH_REMATCH[0]}}"
            IFS=' ' read -r -a split <<<"$text"
            for word in "${split[@]}"; do
                [[ "$word" == *::* ]] || words+=" ${word//_//}"
            done
        done
    fi
    sort_words "$words" sorted
    cmake_deps="${sorted[*]}"
    sort_words "${deps[$folder]}" sorted
    table="${sorted[*]}"
    if [[ "$cmake_deps" != "$table" ]]; then
        fail "$folder/CMakeLists.txt: links '$cmake_deps', the layer table says '$table'"
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

# The folders to search: a library subfolder (render/gl) is found inside its parent.
tops=()
for folder in $order; do
    outer=""
    for other in $order; do
        [[ "$folder" == "$other"/* ]] && outer="$other"
    done
    [[ -z "$outer" ]] && tops+=("$root/$folder")
done

file_seen=""
while IFS= read -r match; do
    file="${match%%:*}"
    rest="${match#*:}"
    line="${rest%%:*}"
    text="${rest#*:}"
    relative="${file#"$root"/}"
    if [[ "$file" != "$file_seen" ]]; then
        # The folder of a source is the deepest library folder holding it.
        file_seen="$file"
        folder=""
        for candidate in $order; do
            if [[ "$relative" == "$candidate"/* && ${#candidate} -gt ${#folder} ]]; then
                folder="$candidate"
            fi
        done
    fi
    [[ -z "$folder" ]] && continue
    where="$relative:$line: ${text#"${text%%[![:space:]]*}"}"
    if [[ "$text" =~ \#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
        name="${BASH_REMATCH[1]}"
        if [[ "$name" == *../* ]]; then
            fail_in "$folder" "$where: relative include outside the folder"
        elif [[ "$name" == */* ]]; then
            target="${name%%/*}"
            for nested in $order; do
                [[ "$nested" == */* && "$name" == "$nested"/* ]] && target="$nested"
            done
            if [[ "${visible[$folder]}" != *" $target "* ]]; then
                fail_in "$folder" "$where: $folder/ may not include $target/"
            fi
        fi
    elif [[ "$text" =~ \#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
        name="${BASH_REMATCH[1]}"
        if [[ "$folder" != platform && "$name" =~ $platform_only ]]; then
            fail_in "$folder" "$where: only platform/ includes system and SDL headers"
        fi
        if [[ "$name" =~ $sources_only && "$file" != *.cpp && "$file" != *.c ]]; then
            fail_in "$folder" "$where: this library is included by sources only, never by headers"
        fi
        for pattern in "${!owned[@]}"; do
            if [[ "$name" =~ $pattern && "$folder" != "${owned[$pattern]}" ]]; then
                fail_in "$folder" "$where: only ${owned[$pattern]}/ includes this library"
            fi
        done
    fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' "${tops[@]}" \
    --include='*.h' --include='*.hpp' --include='*.inl' --include='*.c' --include='*.cpp' \
    --exclude-dir=bench | sort -t: -k1,1 -k2,2n)

for folder in $order; do
    printf '%s' "${report[$folder]-}" >&2
done
if ((failures)); then
    echo "layer check: $failures offending include(s) or table mismatch(es)" >&2
    exit 1
fi
echo "layer check: every library folder includes only its own layer and those below"
