#!/usr/bin/env bash
# Installs what is missing on Debian 12 (as root or through sudo), then configures and builds
# with warnings as errors (ORU_WERROR), in the RelWithDebInfo build type: optimised, with
# debugging symbols and without asserts.
# Usage: scripts/setup.sh [--play] [BUILD_DIR] [extra cmake arguments...]
#   --play   only what building and playing the game needs; builds the game and its data
#   (none)   also the test tools; builds everything: library, game, tools, tests, benchmarks
set -euo pipefail
cd "$(dirname "$0")/.."

play=0
if [ "${1:-}" = --play ]; then
  play=1
  shift
fi

# Building and playing: the compiler, the libraries, the fonts and the General MIDI SoundFont.
packages=(
  cmake pkg-config g++ make
  libsdl2-dev libfluidsynth-dev libfreetype-dev libfontconfig-dev zlib1g-dev libsamplerate0-dev
  fonts-ipafont-gothic fonts-vlgothic fluid-soundfont-gm
)
# Testing: GoogleTest and Google Benchmark; Xvfb, a window manager, key presses, screenshots and
# the picture reader of the end-to-end tests; clang for fuzzing; the checkers of the installed
# files and packages; Doxygen for the API reference the packages carry.
if [ $play = 0 ]; then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth openbox xdotool imagemagick python3-pil
    clang-14 libclang-rt-14-dev
    desktop-file-utils appstream man-db dpkg-dev lintian doxygen
  )
fi
# shellcheck source=scripts/packages.sh
source scripts/packages.sh
install_missing "${packages[@]}"

build=${1:-build}
shift || true
if [ $play = 1 ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_WERROR=ON \
    -DORU_TESTS=OFF -DORU_BENCH=OFF "$@" >/dev/null
  cmake --build "$build" -j"$(nproc)" --target brellow-didovez assetgen_data
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_WERROR=ON \
    -DORU_TESTS=ON -DORU_BENCH=ON "$@" >/dev/null
  cmake --build "$build" -j"$(nproc)"
fi
