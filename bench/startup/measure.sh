#!/usr/bin/env bash
# Start-up of the game against a bare SDL program, measured the same way by
# oru_bench_window_probe: the milliseconds from starting the process until its window is on
# screen (mapped and viewable) and until it shows a picture (pixels that are not black: for the
# game, its title), and the memory it holds (VmRSS) a few seconds later; for the game, a few
# seconds into play.
# Runs under its own Xvfb with openbox, as a player's desktop would have a window manager.
# Usage: bench/startup/measure.sh BUILD_DIR [RUNS]    (default 5 runs of each)
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR [RUNS]}" && pwd)
runs=${2:-5}
if [ -z "${ORU_MEASURE_INSIDE_X:-}" ]; then
  exec env ORU_MEASURE_INSIDE_X=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$build" "$runs"
fi
openbox >/dev/null 2>&1 &
wm=$!
sleep 1

results=$(mktemp)
trap 'kill $wm 2>/dev/null || true; rm -f "$results"' EXIT

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# measure NAME PLAY COMMAND...: one run; prints "mapped_ms painted_ms rss_mb".
measure() {
  local name=$1 play=$2
  shift 2
  local mapped painted pid rss
  read -r mapped painted pid < <("$build/bench/oru_bench_window_probe" "$name" "$@" 2>/dev/null)
  if [ "$play" = 1 ]; then
    # The title takes C; then a few seconds of play.
    local id
    id=$(xdotool search --onlyvisible --name "^$name\$" | head -n 1)
    xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
    xdotool key --window "$id" c
  fi
  sleep 3
  rss=$(awk '/^VmRSS/ { printf "%.0f", $2 / 1024 }' "/proc/$pid/status")
  kill -TERM "$pid"
  while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
  echo "$mapped $painted $rss"
}

# median COLUMN: the median of that column of standard input, with the smallest and largest.
median() {
  cut -d' ' -f"$1" | sort -n | awk '{ v[NR] = $1 } END { printf "%d ms (%d-%d)", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

summary() {
  local rows
  rows=$(cat)
  printf '%-5s on screen: median %s; picture: median %s; memory %s MB\n' "$1" \
    "$(median 1 <<<"$rows")" "$(median 2 <<<"$rows")" \
    "$(awk '{ r += $3 } END { printf "%.0f", r / NR }' <<<"$rows")"
}

# Alternating, so that whatever else the machine does weighs on both alike.
for _ in $(seq 1 "$runs"); do
  echo "bare $(measure "bare window" 0 "$build/bench/oru_bench_bare_window")"
  echo "game $(SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} measure BRELLOW-DIDOVEZ 1 \
    "$build/game/brellow-didovez" --data "$build/game-data")"
done >"$results"
[ -n "${ORU_MEASURE_RAW:-}" ] && cat "$results" >&2
for what in bare game; do awk -v w=$what '$1 == w { print $2, $3, $4 }' "$results" | summary $what; done
