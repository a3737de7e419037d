# shellcheck shell=bash
# Shared pieces of the end-to-end scripts that drive the game and the `oru` tool in a real window:
# the tool check and the re-run under a virtual X server, the openbox window manager, starting a
# program and waiting for its window, keys sent only once the window holds the focus, waiting for
# a condition within a bound and saying which one when giving up, the game's colour classes in
# screenshots, and the failure count with the clean-up on exit.
#
# Sourced (not run) by a script that uses `set -uo pipefail`:
#   source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
#   e2e_setup import python3 -- "$@"
#   e2e_program "$1"
#   e2e_start_wm
#   e2e_launch BRELLOW-DIDOVEZ "$workdir" "${program[@]}" || exit 1
#   e2e_wait_title || exit 1
#   e2e_key Escape
#   e2e_expect_exit "Escape"
#   e2e_finish "all checks passed"
#
# State shared with the script: failures (the count of failed checks), pid (the program under
# test, killed on exit while set), wid (its X window) and e2e_tmp (a scratch folder for
# screenshots and logs, removed on exit unless a check failed, so they can be looked at).
#
# Every wait polls and ends as soon as its condition holds; the bounds are only there so that a
# program that really hangs fails in the end. They are far beyond what an idle machine needs,
# because a machine whose cores are all busy may take many times as long for any step (a start-up,
# a window manager's reply, a repaint). No wait is a fixed sleep: a sleep is only ever the length
# of a key press or of a stretch of play.

E2E_SCREEN_W=1280
E2E_SCREEN_H=1024
# Bound of every wait, in seconds; the start-up of a program (the game reads all of its data
# before its window shows) gets twice as long.
E2E_WAIT_S=30
E2E_START_S=60

# e2e_setup [TOOL...] -- ARGS...: outside the virtual X server, exits 77 (skipped) when xvfb-run,
# openbox, xdotool or one of the TOOLs is missing (import, od and awk for the screenshot helpers), and otherwise runs the
# script again inside xvfb-run with ARGS. Inside, readies SDL for X11, the state above, and the
# clean-up on exit.
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
    ORU_E2E_INSIDE=1 exec xvfb-run -a -s "-screen 0 ${E2E_SCREEN_W}x${E2E_SCREEN_H}x24" \
      bash "$0" "$@"
  fi
  unset SDL_VIDEODRIVER
  export SDL_AUDIODRIVER=dummy
  failures=0
  pid=""
  wid=""
  e2e_wm=""
  e2e_seen=""
  e2e_tmp=$(mktemp -d)
  trap e2e_cleanup EXIT
}

# e2e_program PROGRAM: sets the array program to the command that runs PROGRAM: itself, or Wine
# with it when it is a Windows program (its name ends in .exe), so the same checks judge the game
# of either system. Wine runs in the prefix the caller chose (WINEPREFIX), without its own
# messages unless WINEDEBUG says otherwise; e2e_windows tells which it is. Exits 77 (skipped)
# for a Windows program when Wine is missing.
e2e_program() {
  if [[ $1 == *.exe ]]; then
    command -v wine >/dev/null || { echo "SKIP: wine not installed"; exit 77; }
    export WINEDEBUG=${WINEDEBUG:--all}
    program=(wine "$1")
  else
    program=("$1")
  fi
}
e2e_windows() { [ "${program[0]}" = wine ]; }

e2e_cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$e2e_wm" ] && kill "$e2e_wm" 2>/dev/null
  if [ "$failures" = 0 ] || [ -z "$(ls -A "$e2e_tmp")" ]; then
    rm -rf "$e2e_tmp"
  else
    echo "screenshots and logs kept in $e2e_tmp"
  fi
}

# e2e_fail MESSAGE: counts a failure and keeps a picture of the whole screen as it was then
# (fail-N.png in e2e_tmp), which usually shows why.
e2e_fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
  command -v import >/dev/null && import -window root "$e2e_tmp/fail-$failures.png" 2>/dev/null
}

e2e_now_ms() { date +%s%3N; }

# e2e_finish MESSAGE: prints MESSAGE when every check passed; exits 0 then, 1 otherwise.
e2e_finish() {
  [ "$failures" = 0 ] && echo "$1"
  exit $((failures > 0))
}

# e2e_poll SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds; false when
# it still fails after SECONDS. Quiet: for waits whose end is not yet a failure.
e2e_poll() {
  local deadline=$(($(e2e_now_ms) + $1 * 1000))
  shift
  until "$@"; do
    [ "$(e2e_now_ms)" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

# e2e_wait WHAT SECONDS COMMAND...: polls COMMAND as e2e_poll does; when it gives up, or when the
# program under test ends meanwhile, counts a failure that names WHAT it waited for and the last
# thing the COMMAND saw (it may set e2e_seen), and is false.
e2e_wait() {
  local what=$1 seconds=$2 deadline code
  shift 2
  deadline=$(($(e2e_now_ms) + seconds * 1000))
  e2e_seen=""
  until "$@"; do
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid" 2>/dev/null
      code=$?
      pid=""
      e2e_fail "gave up waiting for $what: the program ended with exit code $code${e2e_seen:+ (last seen: $e2e_seen)}"
      return 1
    fi
    if [ "$(e2e_now_ms)" -ge "$deadline" ]; then
      e2e_fail "gave up after $seconds s waiting for $what${e2e_seen:+ (last seen: $e2e_seen)}"
      return 1
    fi
    sleep 0.1
  done
}

e2e_quiet() { "$@" >/dev/null 2>&1; }

# Whether openbox is running and up, which it shows by publishing its desktops; starts it again
# when it has ended. Sets e2e_seen to its last message.
e2e_wm_up() {
  if [ -z "$e2e_wm" ] || ! kill -0 "$e2e_wm" 2>/dev/null; then
    # It may find no display to open in the moment after xvfb-run started the server (seen with
    # other X servers starting and stopping beside this one): a later start finds it.
    [ -n "$e2e_wm" ] && e2e_seen="openbox ended: $(tail -n1 "$e2e_tmp/openbox.log")"
    openbox >>"$e2e_tmp/openbox.log" 2>&1 &
    e2e_wm=$!
  fi
  e2e_quiet xdotool get_num_desktops
}

# Waits until the X server answers and openbox is up on it.
e2e_start_wm() {
  e2e_wait "the X server on $DISPLAY to answer" "$E2E_WAIT_S" e2e_quiet xdotool getdisplaygeometry &&
    e2e_wait "the window manager to publish its desktops" "$E2E_WAIT_S" e2e_wm_up
}

e2e_find_window() {
  wid=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
  [ -n "$wid" ]
}

# e2e_wait_window TITLE: waits for a mapped window titled exactly TITLE while $pid runs; sets wid.
e2e_wait_window() {
  wid=""
  e2e_wait "a visible window titled '$1'" "$E2E_START_S" e2e_find_window "$1"
}

# e2e_launch [--out FILE] [--err FILE] TITLE DIR COMMAND...: starts COMMAND in DIR, its output
# and errors to the script's own or to FILEs, and waits for its window titled TITLE; sets pid and
# wid. False (the failure counted) when no window appeared.
e2e_launch() {
  local out="" err=""
  while :; do
    case $1 in
      --out) out=$2; shift 2 ;;
      --err) err=$2; shift 2 ;;
      *) break ;;
    esac
  done
  local title=$1 dir=$2
  shift 2
  # Through spare descriptors, so that the script's own output is passed on without being
  # reopened (reopening a log file the script writes to would truncate it).
  if [ -n "$out" ]; then exec 3>"$out"; else exec 3>&1; fi
  if [ -n "$err" ] && [ "$err" = "$out" ]; then
    exec 4>&3
  elif [ -n "$err" ]; then
    exec 4>"$err"
  else
    exec 4>&2
  fi
  (cd "$dir" && exec "$@" 3>&- 4>&-) >&3 2>&4 &
  pid=$!
  exec 3>&- 4>&-
  e2e_wait_window "$title"
}

# Whether $wid is both the window manager's active window and the X server's keyboard focus:
# after a switch to full screen and back the first may hold while the focus has gone to the root,
# and keys sent then go nowhere.
e2e_has_focus() {
  local active focus
  active=$(xdotool getactivewindow 2>/dev/null)
  focus=$(xdotool getwindowfocus -f 2>/dev/null)
  e2e_seen="active window ${active:-none}, focus ${focus:-none}, wanted $wid"
  [ "$active" = "$wid" ] && [ "$focus" = "$wid" ]
}

# One request to the window manager to activate $wid, then a few seconds for it to take effect.
e2e_try_focus() {
  e2e_has_focus && return 0
  xdotool windowactivate "$wid" >/dev/null 2>&1
  e2e_poll 3 e2e_has_focus
}

# Waits until $wid is active and holds the keyboard focus, asking the window manager again now
# and then: a window just mapped may not be managed yet, and one that just left full screen may
# have lost the focus. False (the failure counted) when it never did.
e2e_focus() {
  e2e_wait "window $wid to become active with the keyboard focus" "$E2E_WAIT_S" e2e_try_focus
}

# e2e_key KEY...: types each KEY (xdotool names; alt+F4 and the like too) into $wid once it holds
# the focus. The keys go through the X server's input path, as a player's would, to the focused
# window: a key sent to a window that is not focused reaches no program reliably.
e2e_key() {
  e2e_focus || return 1
  xdotool key "$@"
}

# e2e_keydown KEY... / e2e_keyup KEY...: presses or lets go of the keys in $wid, as e2e_key.
e2e_keydown() {
  e2e_focus || return 1
  xdotool keydown "$@"
}
e2e_keyup() {
  e2e_focus || return 1
  xdotool keyup "$@"
}

# e2e_hold KEY MS: holds KEY for about MS milliseconds (longer on a slow machine, never shorter).
e2e_hold() {
  e2e_keydown "$1" || return 1
  sleep "$(awk -v ms="$2" 'BEGIN { print ms / 1000 }')"
  xdotool keyup "$1"
}

# e2e_hold_until KEY WHAT COMMAND...: holds KEY down until COMMAND succeeds, then lets go; the
# failure counted, naming WHAT, when it never does.
e2e_hold_until() {
  local key=$1 what=$2 ok=0
  shift 2
  e2e_keydown "$key" || return 1
  e2e_wait "$what while $key is held" "$E2E_WAIT_S" "$@" || ok=1
  xdotool keyup "$key"
  return $ok
}

e2e_ended() { ! kill -0 "$pid" 2>/dev/null; }

# e2e_expect_exit WHAT: waits for $pid to end and checks its exit code is 0; kills it when it
# does not end. Prints how long it took from the call. Clears pid.
e2e_expect_exit() {
  local what=$1 since code
  since=$(e2e_now_ms)
  if [ -z "$pid" ]; then
    e2e_fail "$what: the program had already ended"
    return
  fi
  if e2e_poll "$E2E_WAIT_S" e2e_ended; then
    wait "$pid"
    code=$?
    echo "$what: exit code $code after $(($(e2e_now_ms) - since)) ms"
    [ "$code" = 0 ] || e2e_fail "$what: exit code $code"
  else
    e2e_fail "$what: gave up after $E2E_WAIT_S s waiting for process $pid to end"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  pid=""
}

# Prints the size of $wid's client area as WIDTHxHEIGHT.
e2e_window_size() {
  xdotool getwindowgeometry --shell "$wid" 2>/dev/null |
    awk -F= '/^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w "x" h}'
}

e2e_size_is() {
  e2e_size=$(e2e_window_size)
  e2e_seen="client area $e2e_size"
  [ "$e2e_size" = "$1" ]
}

# e2e_wait_size WHAT WANT: waits until $wid's client area is WANT (WIDTHxHEIGHT); sets e2e_size to
# the last size seen. The failure counted, naming WHAT, when it never is.
e2e_wait_size() {
  e2e_wait "$1: a client area of $2" "$E2E_WAIT_S" e2e_size_is "$2"
}

# e2e_grab NAME WINDOW WIDTH HEIGHT [X Y]: writes the WIDTH by HEIGHT pixels at X,Y (default the
# top-left corner) of WINDOW (an X window id or "root") as raw RGB bytes to $e2e_tmp/NAME.rgb.
# False when the grab failed or came out short.
e2e_grab() {
  local file="$e2e_tmp/$1.rgb"
  import -window "$2" -crop "$3x$4+${5:-0}+${6:-0}" -depth 8 "rgb:$file" 2>/dev/null || return 1
  [ "$(stat -c %s "$file")" = $(($3 * $4 * 3)) ]
}

# e2e_measure WINDOW CLASS X Y WIDTH HEIGHT [SCALE]: grabs that region of WINDOW and prints
# "share cx": the share in percent of its pixels that are of the game's colour CLASS, and their
# mean x in the game's 640-pixel picture (-1 when there are none); SCALE is the picture's
# enlargement on screen, to which the region is given. False when the grab failed. The classes:
#   night:  the title's dusk sky, dark blue-violet
#   day:    the play field's light blue sky
#   banner: the deep red of the title's "press C" banner
#   crab:   the crab's red-orange shell (the clock's red rim lies outside the regions used)
#   dial:   the cream face of the play field's clock
# Colour classes rather than exact pictures, so touch-ups of the art do not break the checks.
e2e_measure() {
  local window=$1 cls=$2 x=$3 y=$4 w=$5 h=$6 scale=${7:-1}
  e2e_grab measure "$window" "$w" "$h" "$x" "$y" || return 1
  od -An -v -tu1 -w3 "$e2e_tmp/measure.rgb" | awk -v cls="$cls" -v w="$w" -v x0="$x" -v s="$scale" '
    {
      r = $1; g = $2; b = $3
      if (cls == "night") hit = r <= 120 && g <= 70 && b >= 80 && b <= 140
      else if (cls == "day") hit = b >= 220 && g >= 180 && r >= 120
      else if (cls == "banner") hit = r >= 120 && g <= 30 && b <= 30
      else if (cls == "crab") hit = r >= 200 && g <= 110 && b <= 60
      else if (cls == "dial") hit = r >= 240 && g >= 240 && b >= 190 && b <= 245 && r - b >= 10
      if (hit) { n++; sx += x0 + (NR - 1) % w }
    }
    END { printf "%d %d\n", NR ? 100 * n / NR : 0, n ? sx / n / s : -1 }'
}

# e2e_share_at_least MIN WINDOW CLASS X Y WIDTH HEIGHT [SCALE]: whether the class covers at least
# MIN percent of the region; sets e2e_seen.
e2e_share_at_least() {
  local min=$1 result
  shift
  result=$(e2e_measure "$@") || { e2e_seen="no screenshot"; return 1; }
  e2e_seen="$2 over ${result%% *}% of ${5}x${6}+${3}+${4}"
  [ "${result%% *}" -ge "$min" ]
}

e2e_title_shown() {
  local scale=${1:-1} window=${2:-$wid} y=${3:-0}
  e2e_share_at_least 80 "$window" night 0 "$y" $((520 * scale)) $((12 * scale)) "$scale" &&
    e2e_share_at_least 30 "$window" banner $((60 * scale)) $((y + 420 * scale)) \
      $((520 * scale)) $((36 * scale)) "$scale"
}

# e2e_wait_title [SCALE]: waits until $wid shows the game's title (its dusk sky across the top
# and the red banner): the game is up, painting, and reading keys.
e2e_wait_title() {
  e2e_wait "the title (night sky, red banner) in window $wid" "$E2E_START_S" e2e_title_shown "$@"
}

e2e_play_shown() {
  local scale=${1:-1} window=${2:-$wid} y=${3:-0}
  e2e_share_at_least 80 "$window" day 0 "$y" $((520 * scale)) $((12 * scale)) "$scale" &&
    e2e_share_at_least 80 "$window" dial $((560 * scale)) $((y + 20 * scale)) \
      $((60 * scale)) $((60 * scale)) "$scale"
}

# e2e_wait_play [SCALE WINDOW Y]: waits until the play field's day sky shows across the top and
# its clock's face in the top right corner (at row Y of WINDOW, default $wid's top).
e2e_wait_play() {
  e2e_wait "the play field (day sky, clock) in window $wid" "$E2E_WAIT_S" e2e_play_shown "$@"
}
