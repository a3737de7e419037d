#!/usr/bin/env bash
# End-to-end check of full screen under a virtual X server with a window manager: F4 takes the
# game's window over the whole screen with a crisp, whole-number-scaled and letterboxed picture,
# the game keeps answering keys, a second F4 brings the 640 by 480 window back with the picture
# in it, and Escape while full screen still ends the game with exit code 0.
#
# Usage: full_screen_e2e.sh GAME_EXECUTABLE WORKING_DIR   (a Windows game.exe runs under Wine)
# Exits 77 (skipped) when Xvfb, openbox, xdotool, ImageMagick's import or python3 are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

workdir=$2
screen_w=$E2E_SCREEN_W
screen_h=$E2E_SCREEN_H

e2e_setup import python3 od awk -- "$@"
e2e_program "$1"
e2e_start_wm || exit 1
e2e_launch BRELLOW-DIDOVEZ "$workdir" "${program[@]}" || exit 1
e2e_wait_title || exit 1
e2e_wait_size "the window at start" 640x480

# Full screen.
e2e_key F4
e2e_wait_size "full screen after F4" "${screen_w}x${screen_h}" && echo "full screen: window $e2e_size"

# The picture: 640 x 480 scaled by 2 (the largest whole number that fits 1280 x 1024) is
# 1280 x 960, with black bars of 32 rows above and below; every 2 x 2 block is one colour.
# Whether the screen shows that picture; says why not in e2e_seen.
crisp_picture() {
  e2e_grab shot root "$screen_w" "$screen_h" || { e2e_seen="no screenshot"; return 1; }
  if python3 - "$e2e_tmp/shot.rgb" "$screen_w" "$screen_h" 2>"$e2e_tmp/why" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
w, h = int(sys.argv[2]), int(sys.argv[3])
if len(data) < w * h * 3:
    sys.exit("short screenshot")
def px(x, y):
    i = (y * w + x) * 3
    return data[i:i + 3]
top = (h - 960) // 2
# Letterbox bars are black.
for y in list(range(0, top, 7)) + list(range(top + 960, h, 7)):
    for x in range(0, w, 37):
        if px(x, y) != b"\0\0\0":
            sys.exit("bar pixel %d,%d is %s" % (x, y, px(x, y).hex()))
# The picture is not empty, and nearest sampling makes 2 x 2 blocks of one colour.
colours = set()
for y in range(top, top + 960, 2 * 13):
    for x in range(0, w, 2 * 17):
        c = px(x, y)
        colours.add(c)
        if px(x + 1, y) != c or px(x, y + 1) != c or px(x + 1, y + 1) != c:
            sys.exit("the 2 x 2 block at %d,%d is not one colour" % (x, y))
if len(colours) < 4:
    sys.exit("only %d colours in the picture" % len(colours))
PY
  then
    return 0
  fi
  e2e_seen=$(tail -n1 "$e2e_tmp/why")
  return 1
}
e2e_wait "a crisp 2x letterboxed copy of the picture over the whole screen" "$E2E_WAIT_S" crisp_picture &&
  echo "full screen: a crisp 2x letterboxed picture"

# The game still answers keys while full screen: the title's start key starts play (the day sky
# at the top of the enlarged picture, below the 32-row bar), then F4 goes back to the window.
e2e_hold c 150
e2e_wait_play 2 root 32 && echo "full screen: play started, $e2e_seen"
e2e_key F4
e2e_wait_size "windowed after the second F4" 640x480 && echo "windowed again: client area $e2e_size"
# The window shows the game's picture again, not black or what full screen left behind.
e2e_wait_play && echo "windowed again: $e2e_seen"

# Escape while full screen leaves full screen and ends the game normally.
e2e_key F4
e2e_wait_size "full screen after the third F4" "${screen_w}x${screen_h}"
e2e_key Escape
e2e_expect_exit "Escape while full screen"

e2e_finish "all full-screen checks passed"
