#!/usr/bin/env bash
# End-to-end check of `oru input` under a virtual X server with a window manager: keys pressed in
# its window show up as the pad's held buttons, with the numeric pad read both with and without
# Num Lock, and closing the window ends the command with exit code 0.
#
# Usage: oru_input_e2e.sh ORU_EXECUTABLE
# Exits 77 (skipped) when Xvfb, openbox or xdotool are missing.
set -uo pipefail
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"

oru=$1

e2e_setup -- "$@"
out=$e2e_tmp/output
e2e_start_wm || exit 1

e2e_launch --out "$out" "oru input" . "$oru" input || { cat "$out"; exit 1; }

# shows LINE: whether the last line of the output is LINE; sets e2e_seen.
shows() {
  e2e_seen="last line '$(tail -n1 "$out")'"
  [ "$(tail -n1 "$out")" = "$1" ]
}

# press "KEYS..." "EXPECTED LINE": holds the keys until the pad shows them, then lets go.
press() {
  local keys=$1 expected=$2
  # shellcheck disable=SC2086 # one word a key
  e2e_keydown $keys || return
  e2e_wait "'$expected' with $keys held" "$E2E_WAIT_S" shows "$expected"
  # shellcheck disable=SC2086
  xdotool keyup $keys
  e2e_wait "'held: (none)' after letting go of $keys" "$E2E_WAIT_S" shows "held: (none)"
}

# The first report is the pad thread's: the command is up and polling.
e2e_wait "the first report" "$E2E_WAIT_S" shows "held: (none)"
press "Right" "held: right"
press "KP_6" "held: right"        # Num Lock off: the keypad's cursor keys
press "Up space" "held: up button1"
press "Shift_L" "held: button1"
press "Control_R" "held: button2"
press "c" "held: button3"
press "Escape" "held: button3"
press "v" "held: button4"
e2e_key Num_Lock
press "KP_6" "held: right"        # Num Lock on: the keypad's digits, still right, not down
press "KP_2" "held: down"
press "KP_8 KP_4" "held: up left"

# A polite close through the window manager (xdotool windowclose would destroy the X window
# under SDL's feet).
e2e_key alt+F4
e2e_expect_exit "closing the window"

if [ "$failures" != 0 ]; then
  echo "--- output"
  cat "$out"
fi
e2e_finish "PASS"
