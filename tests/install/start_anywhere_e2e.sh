#!/usr/bin/env bash
# The game started from a folder that holds no data, as an installed game is: it finds its data
# (from its own place, or $ORU_DATA_DIR), says nothing about it, and shows its title; Escape ends
# it with exit code 0. Then --scale 2: a client area of 1280 by 960 that F4 and back returns to.
#
# Usage: start_anywhere_e2e.sh GAME_EXECUTABLE
# Exits 77 (skipped) when Xvfb, openbox, xdotool or ImageMagick's import are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"

game=$1
exit_bound_ms=3000
# The window shows at once and the title once the assets are in: generous for a loaded machine.
settle_s=30

e2e_setup import od awk -- "$@"
e2e_start_wm
elsewhere=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$elsewhere"' EXIT

# share CLASS X0 Y0 X1 Y1: percent of the region (right and bottom exclusive) of the last grab
# in the class: night (the title's dusk sky) or banner (the red "press C" banner).
share() {
  od -An -v -tu1 -w3 "$e2e_tmp/title.rgb" | awk -v cls="$1" -v x0="$2" -v y0="$3" -v x1="$4" -v y1="$5" '
    {
      i = NR - 1; x = i % 640; y = (i - x) / 640
      if (x < x0 || x >= x1 || y < y0 || y >= y1) next
      r = $1; g = $2; b = $3
      if (cls == "night") n += r <= 120 && g <= 70 && b >= 80 && b <= 140
      else if (cls == "banner") n += r >= 120 && g <= 30 && b <= 30
    }
    END { printf "%d\n", 100 * n / ((x1 - x0) * (y1 - y0)) }'
}

# 1. From an empty folder: the title, and no word about missing data.
log=$e2e_tmp/game.log
e2e_start_game "$game" "$elsewhere" 2>"$log" || { e2e_fail "no window titled BRELLOW-DIDOVEZ appeared"; exit 1; }
e2e_focus
night=0
deadline=$(($(e2e_now_ms) + settle_s * 1000))
while [ "$(e2e_now_ms)" -lt "$deadline" ]; do
  if e2e_grab title "$wid" 640 480; then
    night=$(share night 0 0 520 12)
    [ "$night" -ge 80 ] && break
  fi
  sleep 0.2
done
banner=$(share banner 60 420 580 456)
echo "title from $elsewhere: night sky over $night% of the top strip, banner red over $banner%"
[ "$night" -ge 80 ] || e2e_fail "no title sky: the data was not found"
[ "$banner" -ge 30 ] || e2e_fail "no title banner"
t=$(e2e_now_ms)
xdotool key --window "$wid" Escape
e2e_expect_exit "Escape" "$t" "$exit_bound_ms"
if grep -q "no game data" "$log"; then e2e_fail "the game did not find its data: $(cat "$log")"; fi

# 2. --scale 2, full screen and back.
(cd "$elsewhere" && exec "$game" --scale 2 --mute) &
pid=$!
e2e_wait_window BRELLOW-DIDOVEZ 60 || { e2e_fail "--scale 2: no window"; exit 1; }
size=$(e2e_wait_size 1280x960 10)
[ "$size" = 1280x960 ] || e2e_fail "--scale 2: client area $size, not 1280x960"
e2e_focus
xdotool key --window "$wid" F4
full=$(e2e_wait_size "${E2E_SCREEN_W}x${E2E_SCREEN_H}" 10)
[ "$full" = "${E2E_SCREEN_W}x${E2E_SCREEN_H}" ] || e2e_fail "F4: full screen is $full"
xdotool key --window "$wid" F4
back=$(e2e_wait_size 1280x960 10)
echo "--scale 2: window $size, full screen $full, back to $back"
[ "$back" = 1280x960 ] || e2e_fail "F4 twice: client area $back, not 1280x960"
t=$(e2e_now_ms)
xdotool key --window "$wid" Escape
e2e_expect_exit "Escape at scale 2" "$t" "$exit_bound_ms"

e2e_finish "the game starts anywhere, finds its data and keeps its scale"
