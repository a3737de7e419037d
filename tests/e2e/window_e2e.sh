#!/usr/bin/env bash
# End-to-end check of the game window under a virtual X server with a window manager: the
# caption, the 640 by 480 client area, and that a close request from the window manager, the
# Escape key and SIGTERM each end the game with exit code 0 promptly.
#
# Usage: window_e2e.sh GAME_EXECUTABLE WORKING_DIR
# Exits 77 (skipped) when Xvfb, openbox or xdotool are missing.
set -uo pipefail

game=$1
workdir=$2
# Generous: the game itself needs well under a second; a loaded CI machine may not.
exit_bound_ms=3000

if [ "${ORU_E2E_INSIDE:-}" != 1 ]; then
  for tool in xvfb-run openbox xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
  done
  ORU_E2E_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
now_ms() { date +%s%3N; }

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null' EXIT
# The window manager is up once it publishes its desktops.
for _ in $(seq 200); do
  xdotool get_num_desktops >/dev/null 2>&1 && break
  sleep 0.05
done

# Starts the game and waits for its window; sets pid and wid.
start_game() {
  (cd "$workdir" && exec "$game") &
  pid=$!
  wid=""
  # Start-up loads every asset and the synthesizer's sound bank before the window shows.
  for _ in $(seq 1200); do
    wid=$(xdotool search --onlyvisible --name '^BRELLOW-DIDOVEZ$' 2>/dev/null | head -n1)
    [ -n "$wid" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
}

# Waits for the game to end; checks the exit code and how long it took since $1 (ms).
expect_exit() {
  local since=$1 what=$2 code=""
  while [ $(( $(now_ms) - since )) -lt "$exit_bound_ms" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      code=$?
      break
    fi
    sleep 0.01
  done
  if [ -z "$code" ]; then
    fail "$what: still running after ${exit_bound_ms} ms"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return
  fi
  echo "$what: exit code $code after $(( $(now_ms) - since )) ms"
  [ "$code" = 0 ] || fail "$what: exit code $code"
}

client_size() { xdotool getwindowgeometry --shell "$wid" | awk -F= '/^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w "x" h}'; }

# 1. Caption and client area, then the window manager's close request.
start_game
if [ -z "$wid" ]; then
  fail "no window titled BRELLOW-DIDOVEZ appeared"
  kill -KILL "$pid" 2>/dev/null
  exit 1
fi
name=$(xdotool getwindowname "$wid")
[ "$name" = "BRELLOW-DIDOVEZ" ] || fail "caption is '$name'"
size=""
for _ in $(seq 100); do
  size=$(client_size)
  [ "$size" = "640x480" ] && break
  sleep 0.05
done
[ "$size" = "640x480" ] || fail "client area is $size, not 640x480"
echo "window $wid '$name' client area $size"
xdotool windowactivate --sync "$wid" 2>/dev/null
t=$(now_ms)
xdotool key --clearmodifiers alt+F4
expect_exit "$t" "close request from the window manager"

# 2. Escape.
start_game
if [ -n "$wid" ]; then
  xdotool windowactivate --sync "$wid" 2>/dev/null
  t=$(now_ms)
  xdotool key --window "$wid" Escape
  expect_exit "$t" "Escape"
else
  fail "second start: no window"
  kill -KILL "$pid" 2>/dev/null
fi

# 3. SIGTERM.
start_game
if [ -n "$wid" ]; then
  t=$(now_ms)
  kill -TERM "$pid"
  expect_exit "$t" "SIGTERM"
else
  fail "third start: no window"
  kill -KILL "$pid" 2>/dev/null
fi

[ "$failures" = 0 ] && echo "all end-to-end checks passed"
exit $((failures > 0))
