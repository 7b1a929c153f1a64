#!/usr/bin/env bash
# Black-box row: the sample scene (without its game script) drawn by "egl2" and by "gl2", each on a private Xvfb whose screen
# is also a file (XWD). Each run exits 0 and shows a picture; the egl2 picture is not flat and
# shows the crate where the gl2 picture shows it (tests/player/crate_region.py).
#   sample_screens_test.sh <player> <samples folder> <tools folder>
set -euo pipefail
player="$1"
samples="$2"
tools="$3"
work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# shot <renderer>: the last screen that differs from the blank one while the player runs (the
# window shows once the shaders are compiled), as $work/<renderer>.xwd.
shot() {
    local renderer="$1" screen="$work/$1"
    mkdir -p "$screen"
    # Xvfb writes its display number to fd 3 once it takes clients.
    Xvfb -displayfd 3 -screen 0 1344x784x24 -fbdir "$screen" -nolisten tcp -noreset 3>"$screen/display" \
        2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 200); do
        [ -s "$screen/display" ] && break
        sleep 0.1
    done
    cp "$screen/Xvfb_screen0" "$screen/blank"
    (cd "$samples/scene" &&
        DISPLAY=":$(cat "$screen/display")" SDL_VIDEODRIVER=x11 "$player" crate.zms -r "$renderer" -m none -time_live 6 \
            >"$screen/log" 2>&1) &
    local player_pid=$! status=0
    while kill -0 "$player_pid" 2>/dev/null; do
        sleep 0.5
        cmp -s "$screen/blank" "$screen/Xvfb_screen0" || cp "$screen/Xvfb_screen0" "$screen/shown"
    done
    wait "$player_pid" || status=$?
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
    if [ "$status" -ne 0 ]; then
        echo "'$renderer' exited with $status:"
        tail -n 20 "$screen/log"
        exit 1
    fi
    if [ ! -e "$screen/shown" ]; then
        echo "'$renderer' drew nothing on the screen."
        exit 1
    fi
    cp "$screen/shown" "$work/$renderer.xwd"
}

# The sample scene without its game: one crate falls and rests, so both screens show the same
# still picture however their captures fall in time.
cp -r "$samples/scene" "$work/scene"
printf 'class CrateScene { greeting = ""; }\n' >"$work/scene/crate_scene.nut"
samples="$work"
shot gl2
shot egl2
python3 "$(dirname "$0")/crate_region.py" "$tools" "$work/gl2.xwd" "$work/egl2.xwd"
