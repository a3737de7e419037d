#!/usr/bin/env bash
# The game started from a folder that holds no data, as an installed game is: it finds its data
# (from its own place, or $ORU_DATA_DIR), says nothing about it, and shows its title; Escape ends
# it with exit code 0. Then --scale 2: a client area of 1280 by 960, showing the title enlarged,
# that F4 and back returns to, and Escape after that round trip still ends the game.
#
# Usage: start_anywhere_e2e.sh GAME_EXECUTABLE
# Exits 77 (skipped) when Xvfb, openbox, xdotool or ImageMagick's import are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"

game=$1

e2e_setup import od awk -- "$@"
e2e_start_wm || exit 1
elsewhere=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$elsewhere"' EXIT

# 1. From an empty folder: the title (only drawn from the data files), and no word about
# missing data.
log=$e2e_tmp/game.log
e2e_launch --err "$log" BRELLOW-DIDOVEZ "$elsewhere" "$game" || exit 1
e2e_wait_title && echo "title from $elsewhere: $e2e_seen"
e2e_key Escape
e2e_expect_exit "Escape"
if grep -q "no game data" "$log"; then e2e_fail "the game did not find its data: $(cat "$log")"; fi

# 2. --scale 2, full screen and back. The round trip may leave the keyboard focus elsewhere: the
# helper's keys wait for it to come back to the window.
e2e_launch BRELLOW-DIDOVEZ "$elsewhere" "$game" --scale 2 --mute || exit 1
e2e_wait_size "--scale 2" 1280x960
size=$e2e_size
e2e_wait_title 2
e2e_key F4
e2e_wait_size "--scale 2, full screen after F4" "${E2E_SCREEN_W}x${E2E_SCREEN_H}"
full=$e2e_size
e2e_key F4
e2e_wait_size "--scale 2, back from full screen after a second F4" 1280x960
echo "--scale 2: window $size, full screen $full, back to $e2e_size"
e2e_key Escape
e2e_expect_exit "Escape at scale 2"

e2e_finish "the game starts anywhere, finds its data and keeps its scale"
