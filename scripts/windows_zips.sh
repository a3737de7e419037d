#!/usr/bin/env bash
# The Windows downloads: makes the game's zip and the developer zip with cpack in a Windows build
# folder, checks what each holds and what the game's executable carries, and unzips them for the
# checks that follow: the developer files into OUT/dev, the game into a folder of OUT whose name
# has a space and non-ASCII letters (its folder printed on the last line), as a player's might.
# Usage: scripts/windows_zips.sh BUILD_DIR OUT
set -euo pipefail

build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
fail() { echo "windows zips: $*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
game_zip=brellow-didovez-$version-win64
dev_zip=oru-$version-win64-dev
top=brellow-didovez
rm -f "$build/$game_zip.zip" "$build/$dev_zip.zip"
(cd "$build" && cpack >/dev/null)
for z in "$game_zip" "$dev_zip"; do
  [ -f "$build/$z.zip" ] || fail "cpack made no $z.zip"
done

# cmake -E tar reads and writes zips itself, so no zip program is needed.
list() { cmake -E tar tf "$1" | sed 's:/$::' | sort; }

# The game: one top folder holding the executable, the 30 data packs, README.txt and
# LICENSE.txt, and nothing else.
game_list=$(list "$build/$game_zip.zip")
expected=$( (echo "$top"; for f in brellow-didovez.exe README.txt LICENSE.txt; do
  echo "$top/$f"; done; find "$build/game-data" -maxdepth 1 -name '*.dpa' -printf "$top/%f\n") | sort)
packs=$(grep -c '\.dpa$' <<<"$game_list" || true)
[ "$packs" -eq 30 ] || fail "$game_zip.zip holds $packs data packs, not 30"
[ "$game_list" = "$expected" ] ||
  fail "$game_zip.zip does not hold what it should: $(diff <(echo "$expected") <(echo "$game_list") | tr '\n' ' ')"
echo "$game_zip.zip: brellow-didovez.exe, $packs data packs, README.txt, LICENSE.txt"

# The developer files: headers (no internal ones), the static libraries, the CMake package and
# the oru tool.
dev_list=$(list "$build/$dev_zip.zip")
for f in bin/oru.exe include/oru/version.h include/oru/platform/process.h lib/liboru_platform.a \
         lib/liboru_graphics.a lib/cmake/Oru/OruConfig.cmake lib/cmake/Oru/OruTargets.cmake \
         LICENSE.txt; do
  grep -qx "$f" <<<"$dev_list" || fail "$dev_zip.zip has no $f"
done
if grep -q '_internal\.h$' <<<"$dev_list"; then fail "$dev_zip.zip holds internal headers"; fi
echo "$dev_zip.zip: $(grep -c '\.h$' <<<"$dev_list") headers, $(grep -c '\.a$' <<<"$dev_list") libraries, the CMake package, oru.exe"

# The executable: a windowed program carrying the crab icon, the caption as string 1 and its
# version.
exe=$build/game/brellow-didovez.exe
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "brellow-didovez.exe is not a windowed program"
# The resource types in the top table of .rsrc (objdump numbers them): ICON 3, STRING 6,
# GROUP_ICON 14, VERSION 16.
types=$(grep -E '^[0-9a-f]{3}   Entry: ID: ' <<<"$headers" | sed 's/.*ID: 0x0*\([0-9a-f]*\),.*/\1/' | tr '\n' ' ')
for kind in 3:ICON 6:STRING e:GROUP_ICON 10:VERSION; do
  [[ " $types" == *" ${kind%%:*} "* ]] || fail "brellow-didovez.exe has no ${kind#*:} resource (types: $types)"
done
texts=$(strings -el "$exe")
for text in BRELLOW-DIDOVEZ ProductVersion "$version" brellow-didovez.exe; do
  grep -qxF "$text" <<<"$texts" || fail "brellow-didovez.exe's resources lack \"$text\""
done
# README.txt is for Notepad: every line ends in CR LF.
readme=$(mktemp -d)
(cd "$readme" && cmake -E tar xf "$build/$game_zip.zip" "$top/README.txt")
if grep -q $'[^\r]$' "$readme/$top/README.txt"; then fail "README.txt has lines without CR LF"; fi
rm -rf "$readme"
echo "brellow-didovez.exe: windowed, with its icon, caption and version $version"

rm -rf "${out:?}/dev" "${out:?}/Spiele für alle"
mkdir -p "$out/dev" "$out/Spiele für alle"
(cd "$out/dev" && cmake -E tar xf "$build/$dev_zip.zip")
(cd "$out/Spiele für alle" && cmake -E tar xf "$build/$game_zip.zip")
echo "$out/Spiele für alle/$top"
