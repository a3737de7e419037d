#!/usr/bin/env bash
# A run recorded in a real window and replayed without one: the game is started with --record
# under a virtual X server and played for about 20 seconds by real key presses (start, steer,
# fire, charge, switch, pause), then closed with Escape. The line it prints on exit must be
# printed again, word for word, by a headless replay of the file, and by a windowed one when the
# run ends. Also: --frames stops a
# headless run, and a damaged or foreign file is refused with exit code 1 and a reason.
#
# Usage: replay_e2e.sh GAME_EXECUTABLE WORKING_DIR
# Exits 77 (skipped) when Xvfb, openbox, xdotool or ImageMagick's import are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

game=$1
workdir=$2

e2e_setup import od awk -- "$@"
e2e_start_wm || exit 1

run="$e2e_tmp/run.orr"
e2e_launch --out "$e2e_tmp/record.out" --err "$e2e_tmp/record.err" \
  BRELLOW-DIDOVEZ "$workdir" "$game" --record "$run" || exit 1
e2e_wait_title || exit 1

start=$(e2e_now_ms)
e2e_hold c 150
# A fixed pattern of play: the same keys in the same order each time, whatever the timing.
keys=(Up Down space Return Right Left space v v Down space)
i=0
while [ -n "$pid" ] && [ $(($(e2e_now_ms) - start)) -lt 20000 ]; do
  key=${keys[$((i % ${#keys[@]}))]}
  case $key in
    space) e2e_hold space $(((i % 3) * 400 + 60)) ;;  # taps and charged shots
    *) e2e_hold "$key" $((i % 4 * 90 + 80)) ;;
  esac
  i=$((i + 1))
  # A game lost early starts again, so the run goes on through several states.
  [ $((i % 9)) = 0 ] && e2e_hold c 80
done
e2e_key Escape
e2e_expect_exit "recording run"

recorded=$(grep '^frames ' "$e2e_tmp/record.out")
echo "recorded: $recorded"
frames=$(awk '{print $2}' <<<"$recorded")
[ "${frames:-0}" -gt 300 ] || e2e_fail "the recording holds ${frames:-no} frames"
[ "$(stat -c %s "$run")" -lt 16384 ] || e2e_fail "the run file takes $(stat -c %s "$run") bytes"

replayed=$(cd "$workdir" && "$game" --headless --replay "$run")
code=$?
echo "replayed: $replayed"
[ "$code" = 0 ] || e2e_fail "the headless replay exited with $code"
[ "$replayed" = "$recorded" ] || e2e_fail "the replay ended elsewhere"

# Replayed in a window, the run's line comes when the run ends (the recording's line, word for
# word), not at exit after the frames the title plays on.
e2e_launch --out "$e2e_tmp/window.out" --err "$e2e_tmp/window.err" \
  BRELLOW-DIDOVEZ "$workdir" "$game" --replay "$run" || exit 1
# The run lasts as long as it was recorded: 30 ms a frame, with room to spare.
e2e_wait "the replay's line" $((frames * 30 / 1000 + E2E_WAIT_S)) \
  grep -q '^frames ' "$e2e_tmp/window.out" || exit 1
# The title plays on for a moment: a line printed at exit instead would show up twice.
sleep 1
e2e_key Escape
e2e_expect_exit "windowed replay"
[ "$(grep -c '^frames ' "$e2e_tmp/window.out")" = 1 ] || e2e_fail "windowed replay printed: $(cat "$e2e_tmp/window.out")"
[ "$(grep '^frames ' "$e2e_tmp/window.out")" = "$recorded" ] ||
  e2e_fail "the windowed replay's line: $(cat "$e2e_tmp/window.out")"

short=$(cd "$workdir" && "$game" --headless --replay "$run" --frames 100)
[[ "$short" == "frames 100 "* ]] || e2e_fail "--frames 100 printed: $short"

printf 'not a run' >"$e2e_tmp/bad.orr"
(cd "$workdir" && "$game" --headless --replay "$e2e_tmp/bad.orr") >/dev/null 2>"$e2e_tmp/bad.err"
code=$?
[ "$code" = 1 ] || e2e_fail "a damaged run file gave exit code $code"
grep -q "not a recorded run" "$e2e_tmp/bad.err" || e2e_fail "no reason given: $(cat "$e2e_tmp/bad.err")"

e2e_finish "a recorded run replays headless to the same end"
