#!/usr/bin/env bash
# End-to-end check of the game window under a virtual X server with a window manager: the
# caption, the 640 by 480 client area, and that a close request from the window manager, the
# Escape key and SIGTERM each end the game with exit code 0. A Windows program under Wine is
# spared the signal, which no Windows program hears.
#
# Usage: window_e2e.sh GAME_EXECUTABLE WORKING_DIR   (a Windows game.exe runs under Wine)
# Exits 77 (skipped) when Xvfb, openbox, xdotool or ImageMagick's import are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

workdir=$2

e2e_setup import od awk -- "$@"
e2e_program "$1"
e2e_start_wm || exit 1

# Each way out is tried on a game that is fully up (its title painted), so that what is checked
# is the way out and not a start-up still under way.
start() { e2e_launch BRELLOW-DIDOVEZ "$workdir" "${program[@]}" && e2e_wait_title; }

# 1. Caption and client area, then the window manager's close request.
start || exit 1
name=$(xdotool getwindowname "$wid")
[ "$name" = "BRELLOW-DIDOVEZ" ] || e2e_fail "caption is '$name'"
e2e_wait_size "the window" 640x480
echo "window $wid '$name' client area $e2e_size"
e2e_key alt+F4
e2e_expect_exit "close request from the window manager"

# 2. Escape.
if start; then
  e2e_key Escape
  e2e_expect_exit "Escape"
fi

# 3. SIGTERM.
if ! e2e_windows && start; then
  kill -TERM "$pid"
  e2e_expect_exit "SIGTERM"
fi

e2e_finish "all end-to-end checks passed"
