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

# Run files: an existing file or a FIFO is refused at once (exit 2, one line), an argument is
# printed escaped, and a recording ended by SIGHUP (the terminal closed) is completed like one
# ended by SIGTERM: it replays whole, without a word about being cut short.
headless=(env -u ORU_DATA_DIR SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$game" --headless)
printf 'an earlier run' >"$tmp/old.orr"
expect "record over a file" 2 "$nothing" '^brellow-didovez: --record .*/old.orr: exists already \(--force replaces it\)$' \
  "${headless[@]}" --frames 3 --record "$tmp/old.orr"
[ "$(cat "$tmp/old.orr")" = "an earlier run" ] || fail "record over a file: the file changed"
mkfifo "$tmp/fifo"
expect "record into a FIFO" 2 "$nothing" 'fifo: is a FIFO \(named pipe\), not a file$' \
  "${headless[@]}" --frames 3 --force --record "$tmp/fifo"
expect "escaped argument" 1 "$nothing" '/a\\nb\\x1B\[31mred: cannot be opened' \
  "${headless[@]}" --replay "$(printf 'a\nb\033[31mred')"
! grep -q "$(printf '\033')" "$tmp/err" || fail "escaped argument: an escape reached the terminal"

(cd "$tmp" && exec env -u ORU_DATA_DIR SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$game" --headless \
  --record "$tmp/hup.orr" >"$tmp/hup.out" 2>/dev/null) &
pid=$!
for _ in $(seq 200); do
  [ "$(stat -c %s "$tmp/hup.orr" 2>/dev/null || echo 0)" -gt 16 ] && break
  sleep 0.05
done
kill -HUP "$pid"
wait "$pid"
code=$?
[ "$code" = 0 ] || fail "SIGHUP while recording: exit code $code"
# (No data here: the one line about that, and none about a cut.)
expect "replay after SIGHUP" 0 '^frames [0-9]+ state Title' 'no game data' "${headless[@]}" --replay "$tmp/hup.orr"
! grep -q "cut short" "$tmp/err" || fail "replay after SIGHUP: $(cat "$tmp/err")"
[ "$(cut -d' ' -f2 "$tmp/out")" = "$(cut -d' ' -f2 "$tmp/hup.out")" ] ||
  fail "replay after SIGHUP: $(cat "$tmp/out") against $(cat "$tmp/hup.out")"

[ "$failures" = 0 ] && echo "command line checks passed"
exit $((failures > 0))
