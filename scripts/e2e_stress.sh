#!/usr/bin/env bash
# Runs every end-to-end check (CTest's e2e_* tests, and the installed game started from another
# folder as scripts/package.sh runs it) several rounds over while busy processes keep the cores
# loaded: the checks must wait for what they need, not for a time that happens to be enough on an
# idle machine. Not run by CI: it takes a while and loads the machine on purpose.
# Usage: scripts/e2e_stress.sh [ROUNDS=5]
#   ORU_STRESS_BUILD=build-xyz picks another build folder (default build; the game and the oru
#   tool must be built, and the rest of what installs). ORU_STRESS_BUSY=N starts N busy processes
#   (default 2, one a core here).
# Prints a line a run and the figures at the end: runs, passes, failures and the wall time. Exits
# 1 when any run failed; the output of every failed run is kept and its place printed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
root=$PWD
rounds=${1:-5}
build=${ORU_STRESS_BUILD:-build}
busy=${ORU_STRESS_BUSY:-2}
[ -f "$build/CTestTestfile.cmake" ] || { echo "e2e_stress: $build is not a configured build" >&2; exit 2; }

work=$(mktemp -d)
busy_pids=()
cleanup() {
  local p
  for p in "${busy_pids[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$work/prefix"
}
trap cleanup EXIT

# The installed tree, as scripts/package.sh makes it, minus the Release build: the build under
# test is the one whose checks run.
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
  { echo "e2e_stress: the install failed:" >&2; cat "$work/install.log" >&2; exit 2; }
installed_game=$work/prefix/games/brellow-didovez
[ -x "$installed_game" ] || { echo "e2e_stress: no game installed at $installed_game" >&2; exit 2; }

mapfile -t checks < <(cd "$build" && ctest -N -R '^e2e_' | sed -n 's/^ *Test *#[0-9]*: *\(e2e_[A-Za-z0-9_]*\)$/\1/p')
[ ${#checks[@]} -gt 0 ] || { echo "e2e_stress: CTest lists no e2e_ checks in $build" >&2; exit 2; }
checks+=(installed_start_anywhere)

# run CHECK LOG: one run of a check, its output to LOG.
run() {
  if [ "$1" = installed_start_anywhere ]; then
    env -u ORU_DATA_DIR bash "$root/tests/install/start_anywhere_e2e.sh" "$installed_game" >"$2" 2>&1
  else
    (cd "$build" && ctest -R "^$1\$" --output-on-failure) >"$2" 2>&1 &&
      ! grep -q 'tests passed, 0 tests failed out of 0\|Not Run\|\*\*\*Skipped' "$2"
  fi
}

for _ in $(seq "$busy"); do
  (while :; do :; done) &
  busy_pids+=($!)
done
echo "e2e_stress: $rounds rounds of ${#checks[@]} checks (${checks[*]}), $busy busy processes on $(nproc) cores"

start=$SECONDS
runs=0
passes=0
failed=()
for round in $(seq "$rounds"); do
  for check in "${checks[@]}"; do
    log=$work/$check.$round.log
    t0=$SECONDS
    if run "$check" "$log"; then
      passes=$((passes + 1))
      echo "round $round $check: passed in $((SECONDS - t0)) s"
      rm -f "$log"
    else
      failed+=("$check (round $round): $log")
      echo "round $round $check: FAILED in $((SECONDS - t0)) s"
      grep -h 'FAIL\|gave up' "$log" | sed 's/^/    /'
    fi
    runs=$((runs + 1))
  done
done

echo "e2e_stress: $runs runs ($rounds x ${#checks[@]}), $passes passed, ${#failed[@]} failed," \
  "$((SECONDS - start)) s wall time, load average $(cut -d' ' -f1-3 /proc/loadavg)"
if [ ${#failed[@]} -gt 0 ]; then
  printf '  failed: %s\n' "${failed[@]}"
  exit 1
fi
rm -rf "$work"
