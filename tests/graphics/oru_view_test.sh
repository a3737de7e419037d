#!/bin/bash
# `oru view --test-pattern`: headless, it writes the generated picture as a 640 x 480 PPM; with
# no picture named, or two, it prints its usage and fails.
set -u
oru="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

"$oru" view --test-pattern --out "$out/pattern.ppm" || { echo "FAIL: view --test-pattern"; exit 1; }
header="$(head -c 15 "$out/pattern.ppm")"
[ "$header" = "$(printf 'P6\n640 480\n255\n')" ] || { echo "FAIL: header '$header'"; exit 1; }
size=$(stat -c %s "$out/pattern.ppm")
[ "$size" -eq $((15 + 640 * 480 * 3)) ] || { echo "FAIL: size $size"; exit 1; }
# The swatch of palette entry 0 is black, the gradient band is not.
if cmp -s <(tail -c +16 "$out/pattern.ppm" | head -c 3) <(printf '\0\0\0'); then :; else
  echo "FAIL: top-left pixel is not black"; exit 1
fi

if "$oru" view 2>/dev/null; then echo "FAIL: view without a picture succeeded"; exit 1; fi
if "$oru" view a.bmp --test-pattern 2>/dev/null; then echo "FAIL: two pictures accepted"; exit 1; fi
echo PASS
