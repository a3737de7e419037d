# shellcheck shell=bash
# Wine's audio into a file, for checks that want to hear what a Windows program plays: Wine's
# ALSA driver plays into an ALSA "file" device (over the "null" device, which takes the samples
# at the pace of a real card and discards them) set up in a scratch home, with PulseAudio kept
# out of reach (no server address, no runtime folder of its own).
#
# Sourced (not run):
#   source tests/platform/win32/wine_audio.sh
#   wine_audio_to_file "$scratch" "$scratch/capture.raw"
#   env "${wine_audio_env[@]}" wine program.exe
#   loud=$(wine_audio_loud "$scratch/capture.raw")

# wine_audio_to_file SCRATCH CAPTURE: writes SCRATCH/home/.asoundrc sending ALSA's default device
# into CAPTURE as raw samples, and sets the array wine_audio_env to the environment a program is
# run with to play there.
wine_audio_to_file() {
  mkdir -p "$1/home"
  cat >"$1/home/.asoundrc" <<ASOUNDRC
pcm.!default {
  type file
  slave.pcm "null"
  file "$2"
  format "raw"
}
ASOUNDRC
  # shellcheck disable=SC2034 # for the script that sources this
  wine_audio_env=(HOME="$1/home" XDG_RUNTIME_DIR="$1" PULSE_SERVER=unix:/nonexistent)
}

# wine_audio_loud CAPTURE: prints how many bytes of CAPTURE are not zero (0 when there is none):
# silence is all zeros.
wine_audio_loud() {
  if [ -f "$1" ]; then tr -d '\000' <"$1" | wc -c; else echo 0; fi
}
