#!/usr/bin/env bash
# End-to-end check of what the game sounds like, through SDL's disk audio driver, which writes the
# mixed output to a file at the pace of a real sound card: the title screen is silent, the music
# starts with play and stays clearly audible while the crab fires, and the mix is not clipped.
#
# Usage: sound_e2e.sh GAME_EXECUTABLE WORKING_DIR
# Exits 77 (skipped) when Xvfb, openbox, xdotool, ImageMagick's import or python3 are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

game=$1
workdir=$2

e2e_setup import python3 od awk -- "$@"
export SDL_AUDIODRIVER=disk
export SDL_DISKAUDIOFILE=$e2e_tmp/mix.raw
# The device mixes float stereo at 48 kHz.
bytes_per_s=$((2 * 4 * 48000))
e2e_start_wm || exit 1

mixed() { stat -c %s "$SDL_DISKAUDIOFILE" 2>/dev/null || echo 0; }
# mixed_at_least BYTES: whether the device has written that much; sets e2e_seen.
mixed_at_least() {
  local n
  n=$(mixed)
  e2e_seen="$n bytes mixed"
  [ "$n" -ge "$1" ]
}
# Taps the fire button once, then tells whether the device has written BYTES.
fire_until_mixed() {
  e2e_hold space 150
  sleep 0.35
  mixed_at_least "$1"
}

e2e_launch BRELLOW-DIDOVEZ "$workdir" "$game" || exit 1
e2e_wait_title
e2e_wait "two seconds of the title's sound" "$E2E_WAIT_S" mixed_at_least $((2 * bytes_per_s))
# The title's part ends where C is pressed; play's begins once its picture shows. The stretch
# between, while the game takes the key, belongs to neither.
title_bytes=$(mixed)
e2e_hold c 150
e2e_wait_play
play_bytes=$(mixed)
# The crab may well be hit and the game end, which has sounds of its own.
e2e_wait "six seconds of play's sound while firing" "$E2E_WAIT_S" \
  fire_until_mixed $((play_bytes + 6 * bytes_per_s))
e2e_key Escape
e2e_expect_exit "Escape"

python3 - "$SDL_DISKAUDIOFILE" "$title_bytes" "$play_bytes" <<'PY' || e2e_fail "the sound checks above"
import array, math, sys
path, title_bytes, play_bytes = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
samples = array.array("f")
with open(path, "rb") as f:
    samples.frombytes(f.read())
rate = 2 * 48000
title = samples[: title_bytes // 4]
play = samples[play_bytes // 4 :]
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
