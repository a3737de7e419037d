#!/usr/bin/env bash
# End-to-end run of the game under a virtual X server with a window manager, driven by real key
# presses: the title shows, C starts play, the crab walks while an arrow key is held, V pauses
# (the crab stays put with the key held) and resumes, and Escape ends the game with exit code 0
# within a second. Screenshots of the client area are judged by colour classes in known regions
# (the title's night sky and red banner, the daytime sky of play, the crab's red shell), not by
# exact images, so art touch-ups do not break it.
#
# Usage: game_e2e.sh GAME_EXECUTABLE WORKING_DIR
# Exits 77 (skipped) when Xvfb, openbox, xdotool or ImageMagick's import are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

game=$1
workdir=$2
exit_bound_ms=1000
# How long a wait for the picture to change may take; the game shows a change within a frame or
# two, a loaded machine may need far longer.
settle_s=10

e2e_setup import od awk -- "$@"
e2e_start_wm

# Writes the 640 by 480 client area as raw RGB bytes to $e2e_tmp/$1.rgb; false if the grab failed.
grab() { e2e_grab "$1" "$wid" 640 480; }

# measure SHOT CLASS X0 Y0 X1 Y1: prints "share cx" for the pixels of the class in the region
# (right and bottom exclusive): their share of the region in percent and their mean x (-1 when
# there are none).
#   night:  the title's dusk sky, dark blue-violet
#   day:    the play field's light blue sky
#   banner: the deep red of the title's "press C" banner
#   crab:   the crab's red-orange shell (the clock's red rim lies outside the regions used)
measure() {
  od -An -v -tu1 -w3 "$e2e_tmp/$1.rgb" | awk -v cls="$2" -v x0="$3" -v y0="$4" -v x1="$5" -v y1="$6" '
    {
      i = NR - 1; x = i % 640; y = (i - x) / 640
      if (x < x0 || x >= x1 || y < y0 || y >= y1) next
      r = $1; g = $2; b = $3
      if (cls == "night") hit = r <= 120 && g <= 70 && b >= 80 && b <= 140
      else if (cls == "day") hit = b >= 220 && g >= 180 && r >= 120
      else if (cls == "banner") hit = r >= 120 && g <= 30 && b <= 30
      else if (cls == "crab") hit = r >= 200 && g <= 110 && b <= 60
      if (hit) { n++; sx += x }
    }
    END {
      area = (x1 - x0) * (y1 - y0)
      printf "%d %d\n", 100 * n / area, n ? sx / n : -1
    }'
}

# Holds a key for ms milliseconds: long enough for the game's frame poll to see it down.
hold() {
  xdotool keydown "$1"
  sleep "$(awk -v ms="$2" 'BEGIN { print ms / 1000 }')"
  xdotool keyup "$1"
}

# wait_for NAME CLASS X0 Y0 X1 Y1 MIN_SHARE: grabs until the class covers at least MIN_SHARE
# percent of the region; prints the last measure. False when it never did.
wait_for() {
  local name=$1 result deadline=$(( $(e2e_now_ms) + settle_s * 1000 ))
  shift
  while :; do
    if grab "$name"; then
      result=$(measure "$name" "$1" "$2" "$3" "$4" "$5")
      if [ "${result%% *}" -ge "$6" ]; then
        echo "$result"
        return 0
      fi
    fi
    [ "$(e2e_now_ms)" -ge "$deadline" ] && { echo "${result:-0 -1}"; return 1; }
    sleep 0.1
  done
}

# The crab's mean x on the play field (the band left of the clock, below the score line).
crab_x() {
  grab "$1" || { echo -1; return; }
  local result
  result=$(measure "$1" crab 0 110 520 480)
  echo "${result#* }"
}

# 1. Start-up: the window appears and shows the title.
e2e_start_game "$game" "$workdir" || { e2e_fail "no window titled BRELLOW-DIDOVEZ appeared"; exit 1; }
e2e_focus

if sky=$(wait_for title night 0 0 520 12 80); then
  echo "title: night sky over ${sky%% *}% of the top strip"
else
  e2e_fail "title: the top strip is not the title's sky (${sky%% *}% night)"
fi
banner=$(measure title banner 60 420 580 456)
if [ "${banner%% *}" -ge 30 ]; then
  echo "title: banner red over ${banner%% *}% of the banner"
else
  e2e_fail "title: no red banner (${banner%% *}%)"
fi

# 2. C starts play: the daytime sky, and the crab at the left edge.
hold c 150
if sky=$(wait_for play day 0 0 520 12 80); then
  echo "play: day sky over ${sky%% *}% of the top strip"
else
  e2e_fail "play did not start after C (${sky%% *}% day sky)"
fi
start_x=$(crab_x play)
echo "play: crab at x ~ $start_x"
if [ "$start_x" -lt 0 ] || [ "$start_x" -gt 60 ]; then
  e2e_fail "play: no crab at the left edge (x ~ $start_x)"
fi

# 3. Holding the right arrow walks the crab right.
hold Right 500
sleep 0.2
moved_x=$(crab_x walked)
echo "walk: crab at x ~ $moved_x"
[ "$moved_x" -ge $((start_x + 20)) ] || e2e_fail "the crab did not walk right (x $start_x -> $moved_x)"

# 4. V pauses: the held arrow no longer moves the crab. V again resumes.
hold v 150
sleep 0.3
paused_x=$(crab_x paused)
hold Right 500
sleep 0.2
still_x=$(crab_x paused-held)
echo "pause: crab at x ~ $paused_x, after holding right ~ $still_x"
[ "$paused_x" -ge 0 ] || e2e_fail "pause: crab not found"
diff=$((still_x - paused_x))
[ "${diff#-}" -le 1 ] || e2e_fail "pause: the crab moved while paused (x $paused_x -> $still_x)"
hold v 150
sleep 0.3
hold Right 300
sleep 0.2
resumed_x=$(crab_x resumed)
echo "resume: crab at x ~ $resumed_x"
[ "$resumed_x" -ge $((still_x + 10)) ] || e2e_fail "resume: the crab did not walk again (x $still_x -> $resumed_x)"

# 5. Escape ends the game with exit code 0 within a second.
e2e_focus
t=$(e2e_now_ms)
xdotool key Escape
e2e_expect_exit "Escape" "$t" "$exit_bound_ms"

e2e_finish "all game end-to-end checks passed"
