#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the player need, when any is missing.
set -euo pipefail
packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    zlib1g-dev libjpeg-dev libstb-dev libfreetype-dev
    libopenal-dev libsdl2-dev libbullet-dev pkg-config
    xvfb xauth fonts-dejavu-core python3 sox xdotool
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
