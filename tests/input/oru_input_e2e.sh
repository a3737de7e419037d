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
# Generous bounds: the pad is polled every 30 ms; a loaded CI machine may be far slower.
wait_s=10

e2e_setup -- "$@"
out=$e2e_tmp/output
e2e_start_wm

"$oru" input >"$out" 2>&1 &
pid=$!
e2e_wait_window "oru input" 10 || { cat "$out"; e2e_fail "no window"; exit 1; }
e2e_focus

# Waits until the last line of the output is $1.
wait_for() {
  local deadline=$((SECONDS + wait_s))
  while [ $SECONDS -lt $deadline ]; do
    [ "$(tail -n1 "$out")" = "$1" ] && return 0
    sleep 0.02
  done
  return 1
}

# press "KEYS..." "EXPECTED LINE": holds the keys until the pad shows them, then lets go.
press() {
  local keys=$1 expected=$2 k
  for k in $keys; do xdotool keydown --window "$wid" "$k"; done
  wait_for "$expected" || e2e_fail "$keys: expected '$expected', last line '$(tail -n1 "$out")'"
  for k in $keys; do xdotool keyup --window "$wid" "$k"; done
  wait_for "held: (none)" || e2e_fail "$keys: not released"
}

wait_for "held: (none)" || e2e_fail "no first report"
press "Right" "held: right"
press "KP_6" "held: right"        # Num Lock off: the keypad's cursor keys
press "Up space" "held: up button1"
press "Shift_L" "held: button1"
press "Control_R" "held: button2"
press "c" "held: button3"
press "Escape" "held: button3"
press "v" "held: button4"
xdotool key --window "$wid" Num_Lock
press "KP_6" "held: right"        # Num Lock on: the keypad's digits, still right, not down
press "KP_2" "held: down"
press "KP_8 KP_4" "held: up left"

# A polite close through the window manager (xdotool windowclose would destroy the X window
# under SDL's feet).
t=$(e2e_now_ms)
e2e_focus
xdotool key alt+F4
e2e_expect_exit "closing the window" "$t" $((wait_s * 1000))

if [ "$failures" != 0 ]; then
  echo "--- output"
  cat "$out"
fi
e2e_finish "PASS"
