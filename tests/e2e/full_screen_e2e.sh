#!/usr/bin/env bash
# End-to-end check of full screen under a virtual X server with a window manager: F4 takes the
# game's window over the whole screen with a crisp, whole-number-scaled and letterboxed picture,
# the game keeps answering keys, a second F4 brings the 640 by 480 window back, and Escape
# while full screen still ends the game with exit code 0.
#
# Usage: full_screen_e2e.sh GAME_EXECUTABLE WORKING_DIR
# Exits 77 (skipped) when Xvfb, openbox, xdotool, ImageMagick's import or python3 are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

game=$1
workdir=$2
screen_w=$E2E_SCREEN_W
screen_h=$E2E_SCREEN_H

e2e_setup import python3 -- "$@"
e2e_start_wm
e2e_start_game "$game" "$workdir" || { e2e_fail "no window titled BRELLOW-DIDOVEZ appeared"; exit 1; }

press() {
  e2e_focus
  xdotool key --window "$wid" "$1"
}

size=$(e2e_wait_size 640x480 10)
[ "$size" = 640x480 ] || e2e_fail "windowed client area is $size"

# Full screen.
press F4
size=$(e2e_wait_size "${screen_w}x${screen_h}" 10)
[ "$size" = "${screen_w}x${screen_h}" ] || e2e_fail "after F4 the window is $size, not the whole screen"
echo "full screen: window $size"

# The picture: 640 x 480 scaled by 2 (the largest whole number that fits 1280 x 1024) is
# 1280 x 960, with black bars of 32 rows above and below; every 2 x 2 block is one colour.
picture_ok=0
for _ in $(seq 40); do
  sleep 0.25
  e2e_grab shot root "$screen_w" "$screen_h" || { echo "no screenshot" >"$e2e_tmp/why"; continue; }
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
    picture_ok=1
    break
  fi
done
[ "$picture_ok" = 1 ] || e2e_fail "the full-screen picture is not a crisp 2x letterboxed copy: $(cat "$e2e_tmp/why")"

# The game still answers keys: the title's start key, then F4 back to the window.
press c
sleep 0.5
kill -0 "$pid" 2>/dev/null || e2e_fail "the game ended while full screen"
press F4
size=$(e2e_wait_size 640x480 10)
[ "$size" = 640x480 ] || e2e_fail "after the second F4 the client area is $size, not 640x480"
echo "windowed again: client area $size"

# Escape while full screen leaves full screen and ends the game normally.
press F4
e2e_wait_size "${screen_w}x${screen_h}" 10 >/dev/null
press Escape
e2e_expect_exit "Escape while full screen" "$(e2e_now_ms)" 3000

e2e_finish "all full-screen checks passed"
