#!/usr/bin/env bash
# Checks that a sound played through DirectSound under Wine is heard: Wine's audio goes into a
# file (wine_audio.sh), and the platform's Win32 tests play a tone and read it back from that
# file (SoundCaptureTest, with ORU_SOUND_CAPTURE naming the file), after the DirectSound cases
# run on the same device. The file is then checked here too: not empty, not silence.
#
#   tests/platform/win32/sound_capture_check.sh [build-win64/tests/platform_win32_tests.exe]
#
# WINEPREFIX is used when set (a prefix that already exists saves Wine's first start); otherwise
# a scratch prefix is made. Needs wine (with winealsa.drv, Debian's wine64 has it) and, without
# DISPLAY, xvfb-run. Exit 0 when the sound was heard, 1 when not, 2 when it cannot run.
set -euo pipefail

tests_exe=${1:-build-win64/tests/platform_win32_tests.exe}
if [[ ! -f $tests_exe ]]; then
  echo "sound capture check: no test program at $tests_exe" >&2
  exit 2
fi
if ! command -v wine >/dev/null; then
  echo "sound capture check: wine is not installed" >&2
  exit 2
fi

scratch=$(mktemp -d /tmp/oru-sound-capture.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
capture=$scratch/capture.raw
# shellcheck source-path=SCRIPTDIR source=wine_audio.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_audio.sh"
wine_audio_to_file "$scratch" "$capture"

run=(wine "$tests_exe" '--gtest_filter=DirectSoundTest.*:SoundCaptureTest.*')
if [[ -z ${DISPLAY:-} ]]; then
  if ! command -v xvfb-run >/dev/null; then
    echo "sound capture check: no DISPLAY and no xvfb-run" >&2
    exit 2
  fi
  run=(xvfb-run -a "${run[@]}")
fi

log=$scratch/log.txt
status=0
env "${wine_audio_env[@]}" WINEPREFIX="${WINEPREFIX:-$scratch/wine}" WINEDEBUG="${WINEDEBUG:--all}" \
  ORU_SOUND_CAPTURE="$capture" timeout 600 "${run[@]}" >"$log" 2>&1 || status=$?
cat "$log"

failed=0
if [[ $status -ne 0 ]]; then
  echo "sound capture check: the DirectSound tests failed (exit $status)" >&2
  failed=1
elif ! grep -q '^\[       OK \] SoundCaptureTest\.' "$log"; then
  echo "sound capture check: the capture test did not run (skipped: no DirectSound device?)" >&2
  failed=1
elif [[ ! -s $capture ]]; then
  echo "sound capture check: Wine wrote nothing to $capture" >&2
  failed=1
else
  loud=$(wine_audio_loud "$capture")
  total=$(wc -c <"$capture")
  echo "sound capture check: $total bytes captured, $loud of them not zero"
  if [[ $loud -lt 4000 ]]; then
    echo "sound capture check: what was captured is silence" >&2
    failed=1
  fi
fi
echo "sound capture check: $((1 - failed)) passed, $failed failed"
exit "$failed"
