#!/usr/bin/env bash
# End-to-end run of the game under a virtual X server with a window manager, driven by real key
# presses: the title shows, C starts play, the crab walks as an arrow key is pressed, V pauses
# (the picture stands still and the crab stays put with the key held) and resumes, and Escape
# ends the game with exit code 0. Screenshots of the client area are judged by the game's colour
# classes in known regions (tests/e2e/lib.sh), not by exact images.
#
# Usage: game_e2e.sh GAME_EXECUTABLE WORKING_DIR   (a Windows game.exe runs under Wine)
# Exits 77 (skipped) when Xvfb, openbox, xdotool or ImageMagick's import are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

workdir=$2

e2e_setup import od awk cmp -- "$@"
e2e_program "$1"
e2e_start_wm || exit 1

# The crab's mean x on the play field (the band left of the clock, below the score line); -1 when
# it is not there or the grab failed.
crab_x() {
  local result
  result=$(e2e_measure "$wid" crab 0 110 520 370) || { echo -1; return; }
  echo "${result#* }"
}

# crab_past X: whether the crab stands right of X; sets e2e_seen and x.
crab_past() {
  x=$(crab_x)
  e2e_seen="crab at x ~ $x"
  [ "$x" -gt "$1" ]
}

# walk_past X: taps the right arrow (a few frames' walk) and tells whether the crab then stands
# right of X on the play field (the game-over picture has a crab of its own further right).
# Short steps stop the crab near X however long a screenshot takes on a busy machine; held down
# until it got there, it would walk on into the enemies while the picture is judged.
walk_past() {
  e2e_hold Right 100 || return 1
  crab_past "$1" && e2e_play_shown
}

# Whether the client area stays the same over a second: the game repaints every frame while it
# plays (the enemies walk), so a picture that stands still is a paused game.
still() {
  e2e_grab still-a "$wid" 640 480 || return 1
  sleep 0.5
  e2e_grab still-b "$wid" 640 480 || return 1
  sleep 0.5
  e2e_grab still-c "$wid" 640 480 || return 1
  cmp -s "$e2e_tmp/still-a.rgb" "$e2e_tmp/still-b.rgb" && cmp -s "$e2e_tmp/still-b.rgb" "$e2e_tmp/still-c.rgb"
}

# 1. Start-up: the window appears and shows the title.
e2e_launch BRELLOW-DIDOVEZ "$workdir" "${program[@]}" || exit 1
e2e_wait_title && echo "title: $e2e_seen"

# 2. C starts play: the daytime sky, the clock, and the crab at the left edge.
e2e_hold c 150
e2e_wait_play && echo "play: $e2e_seen"
start_x=$(crab_x)
echo "play: crab at x ~ $start_x"
if [ "$start_x" -lt 0 ] || [ "$start_x" -gt 60 ]; then
  e2e_fail "play: no crab at the left edge (x ~ $start_x)"
fi

# 3. The right arrow walks the crab right.
e2e_wait "the crab to walk right of x $((start_x + 20)) as Right is tapped" "$E2E_WAIT_S" \
  walk_past $((start_x + 20))
echo "walk: crab at x ~ $(crab_x)"

# 4. V pauses: the picture stands still, and the held arrow no longer moves the crab.
e2e_hold v 150
e2e_wait "the picture to stand still after V" "$E2E_WAIT_S" still
paused_x=$(crab_x)
e2e_hold Right 500
still_x=$(crab_x)
echo "pause: crab at x ~ $paused_x, after holding right ~ $still_x"
[ "$paused_x" -ge 0 ] || e2e_fail "pause: crab not found"
diff=$((still_x - paused_x))
[ "${diff#-}" -le 1 ] || e2e_fail "pause: the crab moved while paused (x $paused_x -> $still_x)"

# V again resumes: the arrow walks the crab again.
e2e_hold v 150
e2e_wait "the crab to walk again after V, right of x $((still_x + 10)), as Right is tapped" \
  "$E2E_WAIT_S" walk_past $((still_x + 10))
echo "resume: crab at x ~ $(crab_x)"

# 5. Escape ends the game with exit code 0.
e2e_key Escape
e2e_expect_exit "Escape"

e2e_finish "all game end-to-end checks passed"
