#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (LeakSanitizer comes with
# AddressSanitizer) and runs the whole suite; then builds with ThreadSanitizer and runs the
# threaded tests: timers, the sequencer, worker threads and the game loop.
# Usage: scripts/sanitize.sh [asan|tsan|all]    (default all)
# Suppressions live in scripts/sanitizers/, each entry with the reason it is there.
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
jobs=$(nproc)
supp=$PWD/scripts/sanitizers
[ -f build/CMakeCache.txt ] || bash scripts/setup.sh build >/dev/null

run_asan() {
  local build=${ORU_ASAN_BUILD:-build-asan}
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_SANITIZE=address,undefined -DORU_BENCH=OFF >/dev/null
  cmake --build "$build" -j"$jobs"
  # SDL's software renderer instead of OpenGL: under Xvfb the only GL is Mesa's llvmpipe, whose
  # JIT rasterizer threads live on after the window has gone, and LeakSanitizer's tracer
  # crashes now and then while it stops them at exit ("Tracer caught signal 11"), so that no
  # leak check takes place. Our code runs the same over either renderer.
  (cd "$build" &&
    SDL_RENDER_DRIVER=software \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j"$jobs" --timeout 900)
}

# Tests that start threads of their own: the timer, worker and polling threads, the sequencer on
# its timer, the mixer's voices, and the game loop with its paint requests.
tsan_filter='*LoadingDevice*:*FailingDevice*:*SynthSamples*:*IntervalTimer*:*PeriodicTimer*:*WorkerThread*:*ThreadsTest*:*FramePacer*:*InputThread*:*MidiSequencer*:*MidiSynth*:*Mixer*:*WaveSoundDevice*:*EventLoop*:*Application*:*GameWindow*'

run_tsan() {
  local build=${ORU_TSAN_BUILD:-build-tsan}
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_SANITIZE=thread -DORU_BENCH=OFF >/dev/null
  local suites=(platform_tests platform_sdl_tests shell_tests sound_tests input_tests game_tests)
  cmake --build "$build" -j"$jobs" --target "${suites[@]}"
  # ThreadSanitizer needs a narrower address-space layout than the kernel's mmap randomisation
  # gives on newer kernels; setarch -R turns randomisation off for the test process.
  local setarch=()
  if setarch "$(uname -m)" -R true 2>/dev/null; then setarch=(setarch "$(uname -m)" -R); fi
  local failed=0
  for suite in "${suites[@]}"; do
    [ -x "$build/tests/$suite" ] || continue
    echo "== $suite under ThreadSanitizer"
    if ! SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp" \
        "${setarch[@]}" "$build/tests/$suite" --gtest_filter="$tsan_filter" --gtest_brief=1; then
      failed=1
    fi
  done
  return $failed
}

case $what in
  asan) run_asan ;;
  tsan) run_tsan ;;
  all) run_asan && run_tsan ;;
  *) echo "usage: $0 [asan|tsan|all]" >&2; exit 2 ;;
esac
