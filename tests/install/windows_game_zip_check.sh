#!/usr/bin/env bash
# The game as a player unzipped it, run under Wine: from another working folder it finds its data
# beside the executable; --version reaches a file and a pipe; names with non-ASCII letters reach
# the game intact (--data, --record, --replay); a message naming a path prints its backslashes
# single.
# Usage: windows_game_zip_check.sh GAME_FOLDER   (the unzipped top folder, holding the .exe)
# Needs wine; WINEPREFIX is used as set. Exit 0 when all hold, 1 at the first that does not.
set -euo pipefail

folder=$(cd "$1" && pwd)
exe=$folder/brellow-didovez.exe
fail() { echo "game zip check: $*" >&2; exit 1; }
# Wine hands the command line over as the locale's encoding: UTF-8 here.
export LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win() { winepath -w "$1" 2>/dev/null; }

echo "== the unzipped game, started from another folder"
out=$(cd "$work" && timeout 300 wine "$exe" --headless --frames 300 2>"$work/err") ||
  fail "the game failed: $(cat "$work/err")"
[[ $out == "frames 300 state "* ]] || fail "no frame line from the game: $out"
if grep -q "no game data" "$work/err"; then fail "the game did not find its data: $(cat "$work/err")"; fi
echo "$out"

echo "== --version into a file and through a pipe"
(cd "$work" && wine "$exe" --version >version.txt)
version=$(tr -d '\r' <"$work/version.txt")
[[ $version == "brellow-didovez "[0-9]* ]] || fail "--version wrote '$version' into a file"
piped=$(wine "$exe" --version | tr -d '\r')
[ "$piped" = "$version" ] || fail "--version through a pipe gave '$piped', into a file '$version'"
echo "$version"

echo "== names with non-ASCII letters: --data, --record, --replay"
bare="$work/Ohne Daten"
runs="$work/Läufe ☂"
mkdir -p "$bare" "$runs"
cp "$exe" "$bare/"
recorded=$(cd "$work" && timeout 300 wine "$bare/brellow-didovez.exe" --data "$(win "$folder")" \
  --headless --frames 200 --record "$(win "$runs")\\über.orr" 2>"$work/err") ||
  fail "--data and --record with non-ASCII names failed: $(cat "$work/err")"
[ -s "$runs/über.orr" ] || fail "--record wrote no $runs/über.orr"
replayed=$(cd "$work" && timeout 300 wine "$bare/brellow-didovez.exe" --data "$(win "$folder")" \
  --headless --replay "$(win "$runs")\\über.orr" 2>"$work/err") ||
  fail "--replay of a non-ASCII name failed: $(cat "$work/err")"
[ "$replayed" = "$recorded" ] || fail "the replay's line '$replayed' is not the recording's '$recorded'"
echo "$recorded"

echo "== a message naming a path"
missing="$(win "$work")\\Nirgendwo"
status=0
(cd "$work" && wine "$exe" --data "$missing" >/dev/null 2>"$work/err") || status=$?
message=$(tr -d '\r' <"$work/err")
[ "$status" -eq 2 ] || fail "--data of a missing folder exited $status, not 2: $message"
[[ $message == *"--data $missing: no such folder"* ]] ||
  fail "the message does not name '$missing' as typed: $message"
echo "$message"
