#!/usr/bin/env bash
# End-to-end check of `oru input` under a virtual X server with a window manager: keys pressed in
# its window show up as the pad's held buttons, with the numeric pad read both with and without
# Num Lock, and closing the window ends the command with exit code 0.
#
# Usage: oru_input_e2e.sh ORU_EXECUTABLE
# Exits 77 (skipped) when Xvfb, openbox or xdotool are missing.
set -uo pipefail

oru=$1
# Generous bounds: the pad is polled every 30 ms; a loaded CI machine may be far slower.
wait_s=10

if [ "${ORU_E2E_INSIDE:-}" != 1 ]; then
  for tool in xvfb-run openbox xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
  done
  ORU_E2E_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
out=$(mktemp)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done

"$oru" input >"$out" 2>&1 &
pid=$!
wid=""
for _ in $(seq 200); do
  wid=$(xdotool search --onlyvisible --name '^oru input$' 2>/dev/null | head -n1)
  [ -n "$wid" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
[ -n "$wid" ] || { cat "$out"; echo "FAIL: no window"; exit 1; }
xdotool windowactivate --sync "$wid"

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
  wait_for "$expected" || fail "$keys: expected '$expected', last line '$(tail -n1 "$out")'"
  for k in $keys; do xdotool keyup --window "$wid" "$k"; done
  wait_for "held: (none)" || fail "$keys: not released"
}

wait_for "held: (none)" || fail "no first report"
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
xdotool windowactivate --sync "$wid" key alt+F4
code=""
deadline=$((SECONDS + wait_s))
while [ $SECONDS -lt $deadline ]; do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    code=$?
    break
  fi
  sleep 0.05
done
pid=""
[ "$code" = 0 ] || fail "exit code '$code' after closing the window"

if [ $failures -ne 0 ]; then
  echo "--- output"
  cat "$out"
  exit 1
fi
echo "PASS"
