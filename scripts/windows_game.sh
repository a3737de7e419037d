#!/usr/bin/env bash
# The Windows game end to end under Wine, after scripts/windows.sh has built it: the end-to-end
# checks the Linux game passes (tests/e2e: the window and its ways out, play by real key presses,
# full screen and back), played here by the Windows game, each on an Xvfb screen of its own with
# openbox; its effects heard through Wine's audio; and one run recorded on this machine (a bot's
# long game, tests/game/run_test.cpp) replayed headless by both games to the same line.
# Usage: scripts/windows_game.sh [BUILD_DIR]   (the Windows build; default build-win64)
#   ORU_HOST_BUILD   the build for this machine (build): its game suite records the run, its game
#                    replays it; both are built here when missing
#   WINEPREFIX       the Wine prefix to run in (a scratch one is made when unset)
# Exits 1 when any check failed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
root=$PWD
build=${1:-build-win64}
host=${ORU_HOST_BUILD:-build}
exe=$root/$build/game/brellow-didovez.exe
data=$root/$build/game-data
[ -f "$exe" ] || { echo "windows_game: no game at $exe (build it with scripts/windows.sh)" >&2; exit 2; }

scratch=$(mktemp -d)
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=$scratch/wine
  trap 'wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
  xvfb-run -a wineboot --init >/dev/null 2>&1
else
  trap 'rm -rf "$scratch"' EXIT
fi
export WINEDEBUG=${WINEDEBUG:--all}

failures=()
check() {
  local name=$1
  shift
  echo "== $name"
  # Each check begins a Wine session of its own. A session outlives its programs for a few
  # seconds and keeps the desktop it began with: one begun without an X display (the headless
  # replay) or on another Xvfb screen would take the next program's windows where no screen
  # shows them.
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  "$@" || failures+=("$name")
}

# The replay: the same data (made by the same generator, so the same bytes and the same digest in
# the run's header), the same inputs, and so the same line from both systems.
replay() {
  if [ "$(grep -s '^ORU_TESTS:BOOL=' "$host/CMakeCache.txt")" != ORU_TESTS:BOOL=ON ]; then
    cmake -S . -B "$host" -DORU_TESTS=ON >/dev/null || return 1
  fi
  cmake --build "$host" -j"$(nproc)" --target brellow-didovez game_tests >/dev/null || return 1
  diff -r "$host/game-data" "$data" >/dev/null || {
    echo "the data files of $host and $build differ"
    return 1
  }
  local run=$scratch/long.orr recorded linux windows
  ORU_KEEP_RUN=$run "$host/tests/game_tests" \
    --gtest_filter='RunGameTest.ALostGameAPauseAndABossFightWithALifeLostReplayToTheSameEnd' \
    >"$scratch/record.log" 2>&1 || {
    cat "$scratch/record.log"
    return 1
  }
  recorded=$(cat "$run.line")
  linux=$("$host/game/brellow-didovez" --headless --data "$host/game-data" --replay "$run")
  windows=$(wine "$exe" --headless --data "$data" --replay "$run" | tr -d '\r')
  echo "recorded:          $recorded"
  echo "replayed on Linux:   $linux"
  echo "replayed on Windows: $windows"
  [ "$linux" = "$recorded" ] && [ "$windows" = "$recorded" ]
}

check "a run recorded on Linux replays on Windows to the same line" replay
for script in window_e2e.sh game_e2e.sh full_screen_e2e.sh wine_sound_e2e.sh; do
  check "tests/e2e/$script on the Windows game" bash "tests/e2e/$script" "$exe" "$data"
done

if [ ${#failures[@]} -gt 0 ]; then
  printf 'windows_game: failed: %s\n' "${failures[@]}"
  exit 1
fi
echo "windows_game: all checks passed"
