#!/usr/bin/env bash
# End-to-end check that the Windows game's effects are heard under Wine: its audio goes into a
# file (tests/platform/win32/wine_audio.sh), the title is started with C, and firing in play
# (Space, then Enter to switch the kind of shot and Space again) adds sound that is not silence
# to what the file held when play began. Escape then ends the game with exit code 0.
#
# Usage: wine_sound_e2e.sh GAME_EXE WORKING_DIR
# Exits 77 (skipped) when Xvfb, openbox, xdotool, ImageMagick's import or Wine are missing, or
# the game is not a Windows program.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source-path=SCRIPTDIR source=../platform/win32/wine_audio.sh
source "$(dirname "${BASH_SOURCE[0]}")/../platform/win32/wine_audio.sh"

workdir=$2

e2e_setup import od awk tr -- "$@"
e2e_program "$1"
e2e_windows || { echo "SKIP: $1 is not a Windows program"; exit 77; }
capture=$e2e_tmp/capture.raw
wine_audio_to_file "$e2e_tmp" "$capture"
e2e_start_wm || exit 1

# Bytes of sound (not zero) the capture must gain from firing: a few milliseconds of one effect.
min_loud=4000
loud_past() {
  local n
  n=$(wine_audio_loud "$capture")
  e2e_seen="$n bytes of sound captured"
  [ "$n" -ge "$1" ]
}
# Fires a normal shot, switches the kind and fires again, then tells whether the capture holds
# BYTES of sound.
fire_until_heard() {
  e2e_hold space 120
  e2e_hold Return 120
  e2e_hold space 120
  loud_past "$1"
}

e2e_launch BRELLOW-DIDOVEZ "$workdir" env "${wine_audio_env[@]}" "${program[@]}" || exit 1
e2e_wait_title
e2e_hold c 150
e2e_wait_play
at_play=$(wine_audio_loud "$capture")
echo "sound: $at_play bytes of sound captured when play began"
e2e_wait "the effects of firing in the captured sound" "$E2E_WAIT_S" \
  fire_until_heard $((at_play + min_loud)) && echo "sound: firing, $e2e_seen"
e2e_key Escape
e2e_expect_exit "Escape"

e2e_finish "the game's effects are heard under Wine"
