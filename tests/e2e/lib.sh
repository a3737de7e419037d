# shellcheck shell=bash
# Shared pieces of the end-to-end scripts that drive the game and the `oru` tool in a real window:
# the tool check and the re-run under a virtual X server, the openbox window manager, starting a
# program and waiting for its window, waiting for it to end within a bound, the window's size,
# screenshots, and the failure count with the clean-up on exit.
#
# Sourced (not run) by a script that uses `set -uo pipefail`:
#   source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
#   e2e_setup import python3 -- "$@"
#   e2e_start_wm
#   e2e_start_game "$game" "$workdir" || { e2e_fail "no window"; exit 1; }
#   ...
#   e2e_finish "all checks passed"
#
# State shared with the script: failures (the count of failed checks), pid (the program under
# test, killed on exit while set), wid (its X window) and e2e_tmp (a scratch folder for
# screenshots and logs, removed on exit unless a check failed, so they can be looked at).

E2E_SCREEN_W=1280
E2E_SCREEN_H=1024

# e2e_setup [TOOL...] -- ARGS...: outside the virtual X server, exits 77 (skipped) when xvfb-run,
# openbox, xdotool or one of the TOOLs is missing, and otherwise runs the script again inside
# xvfb-run with ARGS. Inside, readies SDL for X11 and the state above, and the clean-up on exit.
e2e_setup() {
  local tools=(xvfb-run openbox xdotool) tool
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    tools+=("$1")
    shift
  done
  shift
  if [ "${ORU_E2E_INSIDE:-}" != 1 ]; then
    for tool in "${tools[@]}"; do
      command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
    done
    ORU_E2E_INSIDE=1 exec xvfb-run -a -s "-screen 0 ${E2E_SCREEN_W}x${E2E_SCREEN_H}x24" "$0" "$@"
  fi
  unset SDL_VIDEODRIVER
  export SDL_AUDIODRIVER=dummy
  failures=0
  pid=""
  wid=""
  e2e_wm=""
  e2e_tmp=$(mktemp -d)
  trap e2e_cleanup EXIT
}

e2e_cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$e2e_wm" ] && kill "$e2e_wm" 2>/dev/null
  if [ "$failures" = 0 ] || [ -z "$(ls -A "$e2e_tmp")" ]; then
    rm -rf "$e2e_tmp"
  else
    echo "screenshots and logs kept in $e2e_tmp"
  fi
}

e2e_fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
e2e_now_ms() { date +%s%3N; }

# e2e_finish MESSAGE: prints MESSAGE when every check passed; exits 0 then, 1 otherwise.
e2e_finish() {
  [ "$failures" = 0 ] && echo "$1"
  exit $((failures > 0))
}

# Starts openbox; it is up once it publishes its desktops (waits up to 10 s).
e2e_start_wm() {
  openbox >/dev/null 2>&1 &
  e2e_wm=$!
  for _ in $(seq 200); do
    xdotool get_num_desktops >/dev/null 2>&1 && break
    sleep 0.05
  done
}

# e2e_wait_window TITLE SECONDS: waits while $pid runs for a visible window titled exactly TITLE;
# sets wid. False when none appeared.
e2e_wait_window() {
  local title=$1 tries=$(($2 * 20))
  wid=""
  for _ in $(seq "$tries"); do
    wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1)
    [ -n "$wid" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "$wid" ]
}

# e2e_start_game GAME WORKDIR: starts the game in WORKDIR and waits for its window; sets pid and
# wid. False when no window appeared.
e2e_start_game() {
  (cd "$2" && exec "$1") &
  pid=$!
  # Start-up loads every asset and the synthesizer's sound bank before the window shows.
  e2e_wait_window BRELLOW-DIDOVEZ 60
}

# e2e_expect_exit WHAT SINCE_MS BOUND_MS: waits for $pid to end, checking that it ends within
# BOUND_MS of SINCE_MS with exit code 0; kills it when it does not. Clears pid.
e2e_expect_exit() {
  local what=$1 since=$2 bound=$3 code=""
  while [ $(($(e2e_now_ms) - since)) -lt "$bound" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      code=$?
      break
    fi
    sleep 0.01
  done
  if [ -z "$code" ]; then
    e2e_fail "$what: still running after ${bound} ms"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  else
    echo "$what: exit code $code after $(($(e2e_now_ms) - since)) ms"
    [ "$code" = 0 ] || e2e_fail "$what: exit code $code"
  fi
  pid=""
}

# Gives $wid the keyboard focus and waits (up to 10 s) until the window manager reports it active:
# a window just mapped on a loaded machine may not be managed yet, and keys sent before then,
# the window manager's own shortcuts among them, go nowhere. False when it never became active.
e2e_focus() {
  for _ in $(seq 50); do
    xdotool windowactivate --sync "$wid" >/dev/null 2>&1
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$wid" ] && return 0
    sleep 0.2
  done
  echo "window $wid never became active"
  return 1
}

# Prints the size of $wid's client area as WIDTHxHEIGHT.
e2e_window_size() {
  xdotool getwindowgeometry --shell "$wid" | awk -F= '/^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w "x" h}'
}

# e2e_wait_size WANT SECONDS: waits until $wid's client area is WANT (WIDTHxHEIGHT); prints the
# last size seen.
e2e_wait_size() {
  local want=$1 tries=$(($2 * 20)) size=""
  for _ in $(seq "$tries"); do
    size=$(e2e_window_size)
    [ "$size" = "$want" ] && break
    sleep 0.05
  done
  echo "$size"
}

# e2e_grab NAME WINDOW WIDTH HEIGHT: writes the top-left WIDTH by HEIGHT pixels of WINDOW (an X
# window id or "root") as raw RGB bytes to $e2e_tmp/NAME.rgb. False when the grab failed or came
# out short.
e2e_grab() {
  local file="$e2e_tmp/$1.rgb"
  import -window "$2" -crop "$3x$4+0+0" -depth 8 "rgb:$file" 2>/dev/null || return 1
  [ "$(stat -c %s "$file")" = $(($3 * $4 * 3)) ]
}
