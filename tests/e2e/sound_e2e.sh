#!/usr/bin/env bash
# End-to-end check of what the game sounds like, through SDL's disk audio driver, which writes the
# mixed output to a file at the pace of a real sound card: the title screen is silent, the music
# starts with play and stays clearly audible while the crab fires, and the mix is not clipped.
#
# Usage: sound_e2e.sh GAME_EXECUTABLE WORKING_DIR
# Exits 77 (skipped) when Xvfb, openbox, xdotool or python3 are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

game=$1
workdir=$2

e2e_setup python3 -- "$@"
export SDL_AUDIODRIVER=disk
export SDL_DISKAUDIOFILE=$e2e_tmp/mix.raw
e2e_start_wm

e2e_start_game "$game" "$workdir" || { e2e_fail "no window titled BRELLOW-DIDOVEZ appeared"; exit 1; }
e2e_focus
sleep 2
title_bytes=$(stat -c %s "$SDL_DISKAUDIOFILE" 2>/dev/null || echo 0)
xdotool key c
# Taps of the fire button; the crab may well be hit and the game end, which has sounds of its own.
for _ in $(seq 12); do
  xdotool keydown space
  sleep 0.15
  xdotool keyup space
  sleep 0.35
done
xdotool key Escape
e2e_expect_exit "Escape" "$(e2e_now_ms)" 3000

# The device mixes float stereo at 48 kHz.
python3 - "$SDL_DISKAUDIOFILE" "$title_bytes" <<'PY' || e2e_fail "the sound checks above"
import array, math, sys
path, title_bytes = sys.argv[1], int(sys.argv[2])
samples = array.array("f")
with open(path, "rb") as f:
    samples.frombytes(f.read())
rate = 2 * 48000
title = samples[: title_bytes // 4]
play = samples[title_bytes // 4 :]
ok = True
def check(good, what):
    global ok
    print(("ok: " if good else "FAIL: ") + what)
    ok = ok and good
check(len(title) >= rate, "%.1f s of title screen recorded" % (len(title) / rate))
check(len(play) >= 4 * rate, "%.1f s of play recorded" % (len(play) / rate))
if len(title):
    peak = max(abs(x) for x in title)
    check(peak < 0.01, "title screen silent (peak %.4f)" % peak)
for second in range(len(play) // rate):
    part = play[second * rate : (second + 1) * rate]
    rms = math.sqrt(sum(x * x for x in part) / len(part))
    peak = max(abs(x) for x in part)
    clipped = sum(1 for x in part if abs(x) >= 0.999)
    # The first second holds the tune's start; from then on the music must be clearly audible.
    audible = second == 0 or rms > 0.02
    check(audible and peak <= 1.0 and clipped < len(part) // 1000,
          "second %d of play: rms %.3f, peak %.3f, %d samples at full scale" % (second, rms, peak, clipped))
sys.exit(0 if ok else 1)
PY

e2e_finish "the game sounds as expected"
