#!/usr/bin/env bash
# End-to-end check of full screen under a virtual X server with a window manager: F4 takes the
# game's window over the whole screen with a crisp, whole-number-scaled and letterboxed picture,
# the game keeps answering keys, a second F4 brings the 640 by 480 window back, and Escape
# while full screen still ends the game with exit code 0.
#
# Usage: full_screen_e2e.sh GAME_EXECUTABLE WORKING_DIR
# Exits 77 (skipped) when Xvfb, openbox, xdotool, ImageMagick's import or python3 are missing.
set -uo pipefail

game=$1
workdir=$2
screen_w=1280
screen_h=1024

if [ "${ORU_E2E_INSIDE:-}" != 1 ]; then
  for tool in xvfb-run openbox xdotool import python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
  done
  ORU_E2E_INSIDE=1 exec xvfb-run -a -s "-screen 0 ${screen_w}x${screen_h}x24" "$0" "$@"
fi

unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
tmp=$(mktemp -d)

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 200); do
  xdotool get_num_desktops >/dev/null 2>&1 && break
  sleep 0.05
done

(cd "$workdir" && exec "$game") &
pid=$!
wid=""
for _ in $(seq 1200); do
  wid=$(xdotool search --onlyvisible --name '^BRELLOW-DIDOVEZ$' 2>/dev/null | head -n1)
  [ -n "$wid" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$wid" ]; then
  echo "FAIL: no window titled BRELLOW-DIDOVEZ appeared"
  kill -KILL "$pid" 2>/dev/null
  exit 1
fi

geometry() { xdotool getwindowgeometry --shell "$wid" | awk -F= '/^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w "x" h}'; }
# Waits (up to 10 s) until the window's size is $1; prints the last size seen.
wait_size() {
  local want=$1 size=""
  for _ in $(seq 200); do
    size=$(geometry)
    [ "$size" = "$want" ] && break
    sleep 0.05
  done
  echo "$size"
}
press() {
  xdotool windowactivate --sync "$wid" 2>/dev/null
  xdotool key --window "$wid" "$1"
}

size=$(wait_size 640x480)
[ "$size" = 640x480 ] || fail "windowed client area is $size"

# Full screen.
press F4
size=$(wait_size "${screen_w}x${screen_h}")
[ "$size" = "${screen_w}x${screen_h}" ] || fail "after F4 the window is $size, not the whole screen"
echo "full screen: window $size"

# The picture: 640 x 480 scaled by 2 (the largest whole number that fits 1280 x 1024) is
# 1280 x 960, with black bars of 32 rows above and below; every 2 x 2 block is one colour.
picture_ok=0
for _ in $(seq 40); do
  sleep 0.25
  import -window root -depth 8 "rgb:$tmp/shot.rgb" 2>/dev/null || continue
  if python3 - "$tmp/shot.rgb" "$screen_w" "$screen_h" 2>"$tmp/why" <<'PY'
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
[ "$picture_ok" = 1 ] || fail "the full-screen picture is not a crisp 2x letterboxed copy: $(cat "$tmp/why")"

# The game still answers keys: the title's start key, then F4 back to the window.
press c
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the game ended while full screen"
press F4
size=$(wait_size 640x480)
[ "$size" = 640x480 ] || fail "after the second F4 the client area is $size, not 640x480"
echo "windowed again: client area $size"

# Escape while full screen leaves full screen and ends the game normally.
press F4
wait_size "${screen_w}x${screen_h}" >/dev/null
press Escape
code=""
for _ in $(seq 300); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    code=$?
    break
  fi
  sleep 0.01
done
if [ -z "$code" ]; then
  fail "Escape while full screen: still running"
  kill -KILL "$pid" 2>/dev/null
else
  [ "$code" = 0 ] || fail "Escape while full screen: exit code $code"
fi

[ "$failures" = 0 ] && echo "all full-screen checks passed"
exit $((failures > 0))
