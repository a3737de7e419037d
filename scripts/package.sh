#!/usr/bin/env bash
# The release checks CI runs after the tests: a Release build (warnings as errors) with its unit
# tests; `cmake --install` into a scratch prefix, checked by the desktop-entry, AppStream and
# manual-page validators, with the API reference (Doxygen, no warning allowed) among the files;
# examples/hello-sprite built against that prefix (CMake package and pkg-config, whose flags name
# only the install's own folder) and run headless; examples/little-game built there too and its
# scripted run checked; the Debian packages, checked by lintian and by apt's resolver; the
# installed game started from another folder under Xvfb, showing its title.
# Usage: scripts/package.sh            (build folder: build-release, or $ORU_RELEASE_BUILD)
# The tools come with the test command's set-up (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${ORU_RELEASE_BUILD:-build-release}
jobs=$(nproc)
[ -f build/CMakeCache.txt ] || bash scripts/setup.sh build >/dev/null

step() {
  echo "== $*"
}

step "Release build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DORU_WERROR=ON >/dev/null
cmake --build "$build" -j"$jobs"
grep -q -- '-DNDEBUG' "$build/CMakeCache.txt" || { echo "Release flags lack NDEBUG" >&2; exit 1; }
# The API reference goes into the install and the -dev package; a public name without its
# comment fails here.
cmake --build "$build" --target docs
# The end-to-end scripts ran on the test build already; here the unit suites, built at -O3.
(cd "$build" && ctest -j"$jobs" --timeout 600 -E '^e2e_' --output-on-failure >/dev/null) ||
  { echo "Release unit tests failed (rerun: cd $build && ctest -E ^e2e_ --output-on-failure)" >&2; exit 1; }

step "install into a scratch prefix"
prefix=$root/$build/prefix
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
data=$(find "$prefix/share/games/brellow-didovez" -type f | wc -l)
[ "$data" = 30 ] || { echo "$data data files installed, not 30" >&2; exit 1; }
[ -x "$prefix/games/brellow-didovez" ] && [ -x "$prefix/bin/oru" ]
desktop-file-validate "$prefix"/share/applications/*.desktop
appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml
for page in "$prefix"/share/man/man6/brellow-didovez.6.gz "$prefix"/share/man/man1/oru.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings" >&2; exit 1; }
done
for size in 16 24 32 48 64 128 256; do
  icon=$(echo "$prefix"/share/icons/hicolor/${size}x${size}/apps/*.png)
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || { echo "bad icon $icon" >&2; exit 1; }
done
# Only the platform's headers may name the system libraries' headers, and none of them does.
if grep -rlE '#include [<"](SDL|fluidsynth|ft2build|freetype/|fontconfig/)' "$prefix/include/oru"; then
  echo "installed headers include system library headers" >&2
  exit 1
fi
# The reference is there, and says nothing of the machine that built it (no build folder).
[ -f "$prefix/share/doc/liboru-dev/html/index.html" ] || { echo "API reference not installed" >&2; exit 1; }
if grep -rlF "$root" "$prefix/share/doc/liboru-dev/html"; then
  echo "the API reference names the build machine's folders" >&2
  exit 1
fi
echo "installed: $(find "$prefix" -type f | wc -l) files; validators passed"

step "examples/hello-sprite against the installed library"
cmake -S examples/hello-sprite -B "$build/hello-sprite" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$build/hello-sprite" -j"$jobs"
out=$(cd "$build/hello-sprite" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 120 ./hello-sprite --frames 300)
echo "$out"
[[ "$out" == *": 300 frames"* ]] || { echo "hello-sprite did not run 300 frames" >&2; exit 1; }
# pkg-config finds the same library. Its compiler flags are the install's include folder alone
# (the headers need no system library's), and the program links with --libs as with --static.
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name oru.pc)")
read -r -a cflags <<<"$(pkg-config --cflags oru)"
if [ "${#cflags[@]}" != 1 ] || [ "${cflags[0]:0:2}" != -I ] ||
  [ "$(realpath "${cflags[0]#-I}")" != "$(realpath "$prefix/include")" ]; then
  echo "pkg-config --cflags oru gives '${cflags[*]}', not the install's include folder alone" >&2
  exit 1
fi
c++ -std=c++20 -O1 -c examples/hello-sprite/main.cpp -o "$build/hello-sprite/main-pc.o" "${cflags[@]}"
# shellcheck disable=SC2046  # the flags are words
c++ "$build/hello-sprite/main-pc.o" -o "$build/hello-sprite/hello-sprite-pc" $(pkg-config --libs oru)
# shellcheck disable=SC2046
c++ "$build/hello-sprite/main-pc.o" -o "$build/hello-sprite/hello-sprite-pc-static" \
  $(pkg-config --libs --static oru)
unset PKG_CONFIG_PATH
(cd "$build" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 120 hello-sprite/hello-sprite-pc --frames 30)

step "examples/little-game against the installed library"
# Its pictures, sound and tune are drawn by its own generator and packed by the installed `oru`.
cmake -S examples/little-game -B "$build/little-game" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$build/little-game" -j"$jobs"
out=$(cd "$build/little-game" && timeout 120 ./little-game --headless --frames 600)
echo "$out"
[[ "$out" =~ little-game:\ score\ [1-9][0-9]*\ after\ 600\ frames ]] ||
  { echo "little-game did not finish its 600 scripted frames with a score" >&2; exit 1; }

step "Debian packages"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
for deb in "$build"/*.deb; do
  echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
  lintian --fail-on error "$deb"
done
game_deb=$(echo "$build"/brellow-didovez_*.deb)
dpkg-deb -f "$game_deb" Depends | grep -q 'fluid-soundfont-gm | timgm6mb-soundfont'
dpkg-deb -f "$game_deb" Depends | grep -q 'libsdl2'
# Every dependency can be had on this Debian 12 (a dry run of installing the package).
apt-get install --simulate -qq "$root/$game_deb" >/dev/null

step "the installed game, started from another folder"
env -u ORU_DATA_DIR bash tests/install/start_anywhere_e2e.sh "$prefix/games/brellow-didovez"
echo "== release checks passed"
