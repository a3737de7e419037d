#!/usr/bin/env bash
# End-to-end check of the game window under a virtual X server with a window manager: the
# caption, the 640 by 480 client area, and that a close request from the window manager, the
# Escape key and SIGTERM each end the game with exit code 0 promptly.
#
# Usage: window_e2e.sh GAME_EXECUTABLE WORKING_DIR
# Exits 77 (skipped) when Xvfb, openbox or xdotool are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

game=$1
workdir=$2
# Generous: the game itself needs well under a second; a loaded CI machine may not.
exit_bound_ms=3000

e2e_setup -- "$@"
e2e_start_wm

# 1. Caption and client area, then the window manager's close request.
e2e_start_game "$game" "$workdir" || { e2e_fail "no window titled BRELLOW-DIDOVEZ appeared"; exit 1; }
name=$(xdotool getwindowname "$wid")
[ "$name" = "BRELLOW-DIDOVEZ" ] || e2e_fail "caption is '$name'"
size=$(e2e_wait_size 640x480 5)
[ "$size" = "640x480" ] || e2e_fail "client area is $size, not 640x480"
echo "window $wid '$name' client area $size"
e2e_focus
t=$(e2e_now_ms)
xdotool key --clearmodifiers alt+F4
e2e_expect_exit "close request from the window manager" "$t" "$exit_bound_ms"

# 2. Escape.
if e2e_start_game "$game" "$workdir"; then
  e2e_focus
  t=$(e2e_now_ms)
  xdotool key --window "$wid" Escape
  e2e_expect_exit "Escape" "$t" "$exit_bound_ms"
else
  e2e_fail "second start: no window"
  kill -KILL "$pid" 2>/dev/null
fi

# 3. SIGTERM.
if e2e_start_game "$game" "$workdir"; then
  t=$(e2e_now_ms)
  kill -TERM "$pid"
  e2e_expect_exit "SIGTERM" "$t" "$exit_bound_ms"
else
  e2e_fail "third start: no window"
  kill -KILL "$pid" 2>/dev/null
fi

e2e_finish "all end-to-end checks passed"
