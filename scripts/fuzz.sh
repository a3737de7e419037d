#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 (address and undefined-behaviour sanitizers) and runs
# each for a while, starting from the committed corpus and the format dictionary.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET=60] [TARGET...]     (targets: fuzz/targets.txt)
# New interesting inputs go to build-fuzz/corpus/<target>, crashers to build-fuzz/crashes/<target>:
# copy a crasher into fuzz/corpus/<target>/crash-<what> once its loader is mended.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(grep -oE '^[a-z_]+ ' fuzz/targets.txt | tr -d ' ')

build=${ORU_FUZZ_BUILD:-build-fuzz}
if ! command -v clang++-14 >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang-14 libclang-rt-14-dev
fi
# The libraries the build needs come with the ordinary build.
[ -f build/CMakeCache.txt ] || bash scripts/setup.sh build >/dev/null
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORU_FUZZ=ON -DORU_SANITIZE=address,undefined >/dev/null
cmake --build "$build" -j"$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")

status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/crashes/$t"
  echo "== fuzz_$t for ${seconds}s"
  # -timeout: any input taking over 5 s is a fault; -rss_limit_mb keeps a runaway allocation
  # from taking the machine down (the loaders bound what they allocate by the input's size).
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/fuzz/fuzz_$t" "$build/corpus/$t" "fuzz/corpus/$t" \
      -dict=fuzz/dict/formats.dict -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
      -max_len=131072 -print_final_stats=1 -artifact_prefix="$build/crashes/$t/" \
      2>"$build/fuzz_$t.log"; then
    status=1
    echo "fuzz_$t FAILED; see $build/fuzz_$t.log and $build/crashes/$t/"
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb|^SUMMARY|ERROR" "$build/fuzz_$t.log" || true
done
exit $status
