#!/usr/bin/env bash
# The Windows build: installs what is missing (Debian 12, as root or through sudo), builds the
# asset generator for this machine, cross-builds the library, the `oru` tool, the test suites and
# the game for 64-bit Windows with mingw-w64 into build-win64/, makes the game's zip and the
# developer zip (scripts/windows_zips.sh checks what they hold), and runs the suites under Wine in
# a scratch Wine prefix on Xvfb; then builds examples/hello-sprite against the unzipped developer
# zip and runs it there, runs the unzipped game from a folder named as a player's might be, and
# plays the game itself there end to end (scripts/windows_game.sh).
# Usage: scripts/windows.sh [BUILD_DIR] [extra cmake arguments...]   (default build-win64)
#   ORU_HOST_BUILD   the build for this machine whose asset generator makes the data (build)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake make g++ zlib1g-dev pkg-config g++-mingw-w64-x86-64-posix googletest
          wine wine64 xvfb xauth openbox xdotool imagemagick python3 libgtest-dev libgmock-dev)
# shellcheck source=scripts/packages.sh
source scripts/packages.sh
install_missing "${packages[@]}"

build=${1:-build-win64}
shift || true
jobs=$(nproc)

# The data files are made by the generator of this machine, so both systems get the same bytes.
host=${ORU_HOST_BUILD:-build}
if [ ! -f "$host/CMakeCache.txt" ]; then
  bash scripts/setup.sh --play "$host" >/dev/null
fi
# Always brought up to date: the icons and packs follow the generator's code.
cmake --build "$host" -j"$jobs" --target assetgen
assetgen=$(cd "$host/tools/assetgen" && pwd)/assetgen

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_WERROR=ON -DORU_HOST_ASSETGEN="$assetgen" "$@" >/dev/null
cmake --build "$build" -j"$jobs"

# A Wine prefix of our own, made afresh, so that nothing of the user's own Wine set-up (or of
# an earlier run) takes part. Wine's own messages stay out of the test output.
prefix=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
export WINEPREFIX=$prefix/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The two zips, checked and unzipped into the scratch folder: the developer files into dev/, the
# game into a folder with a space and non-ASCII letters in its name.
game_folder=$(bash scripts/windows_zips.sh "$build" "$prefix" | tee /dev/stderr | tail -n 1)
dev=$prefix/dev

# The example, on the library as a Windows developer unzips it.
cmake -S examples/hello-sprite -B "$build/hello-sprite" \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_PREFIX_PATH="$dev" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$build/hello-sprite" -j"$jobs"

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  wineboot --init >/dev/null 2>&1 || true
  (cd "$1" && ctest --output-on-failure --timeout 900)
  echo "== a sound played through DirectSound reaches Wine'"'"'s audio output"
  bash tests/platform/win32/sound_capture_check.sh "$1/tests/platform_win32_tests.exe"
  echo "== examples/hello-sprite under Wine"
  out=$(cd "$1/hello-sprite" && timeout 300 wine hello-sprite.exe --frames 300)
  echo "$out"
  [[ "$out" == *": 300 frames"* ]] || { echo "hello-sprite did not run 300 frames" >&2; exit 1; }
  echo "== the game as unzipped from its zip, under Wine"
  bash tests/install/windows_game_zip_check.sh "$2"
' windows-tests "$build" "$game_folder"

# The game under Wine end to end, and a run recorded here replayed there to the same line.
ORU_HOST_BUILD=$host bash scripts/windows_game.sh "$build"
