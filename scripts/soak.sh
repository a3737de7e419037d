#!/usr/bin/env bash
# Soak: runs the real game under Xvfb for a number of minutes with random key presses, samples
# its resident memory every ten seconds, then quits with Escape and expects exit code 0.
# Usage: scripts/soak.sh [MINUTES=2] [SEED=1]
#   The key sequence depends only on the seed, so a failure can be replayed with the same seed.
#   ORU_SOAK_BUILD=build-xyz picks another build folder (default build); the game must be built.
#   ORU_SOAK_SHOT=FILE.png keeps a picture of the screen taken just before Escape.
# Fails when the game dies, does not quit, exits non-zero, or when its resident memory grows by
# 1 MiB or more between the end of the first minute and the end of the run.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
minutes=${1:-2}
seed=${2:-1}
build=${ORU_SOAK_BUILD:-build}
game=$PWD/$build/game/brellow-didovez
data=$PWD/$build/game-data
[ -x "$game" ] || { echo "soak: $game is not built" >&2; exit 2; }
log=${ORU_SOAK_LOG:-$PWD/$build/soak.log}

# The end-to-end checks' helper: a private X server with a window manager, so the game window
# gets the focus, and the waits for its window, the focus and its exit.
# shellcheck source-path=SCRIPTDIR source=../tests/e2e/lib.sh
source tests/e2e/lib.sh
audio=${SDL_AUDIODRIVER:-dummy}
e2e_setup -- "$@"
export SDL_AUDIODRIVER=$audio
e2e_start_wm || exit 1
e2e_launch --out "$log" --err "$log" BRELLOW-DIDOVEZ "$data" "$game" ||
  { echo "soak: no game window (seed $seed)" >&2; tail -n 40 "$log" >&2; exit 1; }
e2e_focus || exit 1

rss() { awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0; }

# Keys a player uses, Escape and F4 aside; the title needs C to start a game, so C comes often.
keys=(Left Right Up Down Left Right space space z x Return Shift_L Control_L c c v F3 KP_4 KP_6 KP_8 KP_2)
RANDOM=$seed
start=$SECONDS
end=$((start + minutes * 60))
next_sample=$start
samples=()
rss_minute=""
presses=0
while [ $SECONDS -lt $end ]; do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" && code=0 || code=$?
    echo "soak: the game ended after $((SECONDS - start)) s with code $code (seed $seed)" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
  if [ $SECONDS -ge $next_sample ]; then
    now=$(rss)
    samples+=("$((SECONDS - start))s:${now}kB")
    echo "soak: t=$((SECONDS - start))s rss=${now} kB presses=$presses"
    if [ -z "$rss_minute" ] && [ $((SECONDS - start)) -ge 60 ]; then rss_minute=$now; fi
    next_sample=$((next_sample + 10))
  fi
  key=${keys[$((RANDOM % ${#keys[@]}))]}
  hold=$((20 + RANDOM % 400))
  # V pauses and C starts: a pause is undone at once half of the time so play goes on.
  xdotool keydown "$key" 2>/dev/null || true
  sleep "0.$(printf '%03d' "$hold")"
  xdotool keyup "$key" 2>/dev/null || true
  if [ "$key" = v ] && [ $((RANDOM % 2)) -eq 0 ]; then xdotool key v 2>/dev/null || true; fi
  presses=$((presses + 1))
done

rss_end=$(rss)
[ -n "$rss_minute" ] || rss_minute=${samples[0]#*:}
rss_minute=${rss_minute%kB}
echo "soak: ${minutes} min, seed $seed, $presses presses; rss after 1 min ${rss_minute} kB, at the end ${rss_end} kB"
echo "soak: samples ${samples[*]}"

if [ -n "${ORU_SOAK_SHOT:-}" ]; then import -window root "$ORU_SOAK_SHOT" 2>/dev/null; fi
e2e_key Escape
e2e_expect_exit "Escape after the soak"
[ "$failures" = 0 ] || { tail -n 40 "$log" >&2; exit 1; }
growth=$((rss_end - rss_minute))
if [ "$minutes" -ge 2 ] && [ "$growth" -ge 1024 ]; then
  echo "soak: resident memory grew by ${growth} kB after the first minute (limit 1024 kB)" >&2
  exit 1
fi
echo "soak: passed; growth after the first minute ${growth} kB"
