#!/usr/bin/env bash
# Installs what is missing, builds the player in release mode and runs it on the shipped samples:
# the project, then the scene, raytraced into TGA frames and drawn by "gl2". The player finds its
# start-up script, the "gl2" shader library and its default font in its own data folder
# (<build>/share/kestrin). Its pictures land in the build folder: the frames in
# <build>/samples/frames/ (the last one also as <build>/samples/raytraced.png) with the sound of that
# run in <build>/samples/crate_game.wav, and, when the "gl2" run goes to a private Xvfb because no
# display is set, a screenshot in <build>/samples/gl2_screen.png.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/deps.sh"
build="${ZE_BUILD:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZE_TESTS=OFF
cmake --build "$build"
run() { (cd "$root/samples/$1" && "$build/app/player" "${@:2}"); }
pictures="$build/samples"
frames="$pictures/frames"
rm -rf "$frames" "$pictures/raytraced.png" "$pictures/gl2_screen.png" "$pictures/crate_game.wav"
mkdir -p "$frames"

# Both samples end themselves when their game is over; -time_live only bounds a run that would not.
# The project finds the scene's files through the search path.
run hello hello.zgp -P -r none -m none -S ../scene -time_live 30 "$@"
# The scene's sound goes to a WAV file through the "file" mixer: a thud at each landing.
run scene crate.zms -r none -m file -Mf "$pictures/crate_game.wav" -time_live 30 -R "$frames" -Rw 320 -Rh 240 \
    -Raa 2 "$@"
# The last frame, drawn after the last crate landed, as PNG.
"$root/tools/picture_to_png.py" "$(ls "$frames"/out_*.tga | tail -n 1)" "$pictures/raytraced.png"
echo "Raytraced frames: $frames (the last one: $pictures/raytraced.png), sound: $pictures/crate_game.wav"

if [ -n "${DISPLAY:-}" ]; then
    run scene crate.zms -r gl2 -m none -time_live 30 "$@"
    exit 0
fi
# No display: a private Xvfb whose screen is also a file (XWD), read while the scene runs. The
# player's 1280x720 window stands at (32, 32).
screen="$(mktemp -d)"
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$screen"
}
trap cleanup EXIT
# Xvfb writes its display number to fd 3 once it takes clients.
Xvfb -displayfd 3 -screen 0 1344x784x24 -fbdir "$screen" -nolisten tcp -noreset 3>"$screen/display" &
xvfb_pid=$!
for _ in $(seq 200); do
    [ -s "$screen/display" ] && break
    sleep 0.1
done
number="$(cat "$screen/display")"
cp "$screen/Xvfb_screen0" "$screen/blank"
DISPLAY=":$number" run scene crate.zms -r gl2 -m none -time_live 30 "$@" &
player_pid=$!
# The window shows once the renderer has compiled its shaders, which takes a while on a software
# GL: the last screen that differs from the blank one before the player ends is kept. While the
# player shuts down its window turns black: a screen whose bottom rows (the window's lower part)
# are all black is not kept.
while kill -0 "$player_pid" 2>/dev/null; do
    sleep 0.5
    # One copy is judged and kept: the screen may change while it is read.
    cp "$screen/Xvfb_screen0" "$screen/copy"
    cmp -s "$screen/blank" "$screen/copy" && continue
    [ -n "$(tail -c 1000000 "$screen/copy" | tr -d '\000' | head -c 1)" ] || continue
    mv "$screen/copy" "$screen/shown"
done
wait "$player_pid"
if [ -e "$screen/shown" ]; then
    "$root/tools/picture_to_png.py" "$screen/shown" "$pictures/gl2_screen.png" --crop 1280x720+32+32
    echo "gl2 screenshot: $pictures/gl2_screen.png"
else
    echo "gl2 drew nothing on the screen."
fi
