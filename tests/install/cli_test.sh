#!/usr/bin/env bash
# The game's command line as a user meets it: --help and --version, misuse, no display, no data.
# Usage: cli_test.sh GAME_EXECUTABLE ORU_TOOL
set -uo pipefail
game=$1
tool=$2
failures=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect NAME CODE STDOUT_PATTERN STDERR_PATTERN COMMAND...: runs COMMAND (from an empty folder,
# for at most 30 s) and checks its exit code and that each stream matches its pattern; an empty
# pattern wants the stream empty.
expect() {
  local name=$1 code=$2 out_re=$3 err_re=$4 got
  shift 4
  (cd "$tmp" && timeout 30 "$@" >"$tmp/out" 2>"$tmp/err")
  got=$?
  [ "$got" = "$code" ] || fail "$name: exit code $got, wanted $code"
  matches "$out_re" "$tmp/out" || fail "$name: standard output: $(head -c 300 "$tmp/out")"
  matches "$err_re" "$tmp/err" || fail "$name: standard error: $(head -c 300 "$tmp/err")"
}
matches() { if [ -z "$1" ]; then [ ! -s "$2" ]; else grep -Eq -- "$1" "$2"; fi; }

nothing=''
expect help 0 '^usage: brellow-didovez \[OPTION\]' "$nothing" "$game" --help
expect version 0 '^brellow-didovez [0-9]+\.[0-9]+\.[0-9]+$' "$nothing" "$game" --version
expect unknown 2 "$nothing" "unknown option '--frobnicate'" "$game" --frobnicate
expect "unknown shows usage" 2 "$nothing" '^usage: brellow-didovez' "$game" --frobnicate
expect "bad scale" 2 "$nothing" 'takes a whole number from 1 to 4' "$game" --scale 9

# No display: one line from the game and exit 1, whatever SDL could fall back to.
no_display='^brellow-didovez: no display could be opened \(.+\)$'
expect "DISPLAY unset" 1 "$nothing" "$no_display" \
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game" --mute
# (SDL's Wayland probe may add a line of its own without XDG_RUNTIME_DIR; the game says one.)
[ "$(grep -c '^brellow-didovez:' "$tmp/err")" = 1 ] || fail "DISPLAY unset: not one line: $(cat "$tmp/err")"
expect "display not answering" 1 "$nothing" "$no_display" \
  env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:9371 "$game" --mute
expect "unknown video driver" 1 "$nothing" "$no_display" \
  env SDL_VIDEODRIVER=nonesuch "$game" --mute
expect "oru view without a display" 1 "$nothing" '^oru view: no display could be opened' \
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$tool" view --test-pattern

# No data anywhere (the build tree's game folder holds none, nor does the scratch folder): one
# line naming the folders tried, then the game plays on, here on SDL's dummy driver, until a
# TERM asks it to close.
(cd "$tmp" && exec env -u ORU_DATA_DIR SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$game" --mute \
  2>"$tmp/err") &
pid=$!
for _ in $(seq 200); do
  [ -s "$tmp/err" ] && break
  sleep 0.05
done
sleep 0.5
if kill -0 "$pid" 2>/dev/null; then
  kill -TERM "$pid"
  wait "$pid"
  code=$?
  [ "$code" = 0 ] || fail "no data: exit code $code after TERM"
else
  fail "no data: the game ended by itself"
fi
[ "$(grep -c . "$tmp/err")" = 1 ] || fail "no data: not one line: $(cat "$tmp/err")"
grep -q "^brellow-didovez: no game data .* $tmp (current folder); playing without pictures and sound$" \
  "$tmp/err" || fail "no data: $(cat "$tmp/err")"

[ "$failures" = 0 ] && echo "command line checks passed"
exit $((failures > 0))
