#!/usr/bin/env bash
# Runs COMMAND while a sine tone plays into the test bed's default sink, and
# stops the tone afterwards. KESTRO_TONE_HZ and KESTRO_TONE_AMPLITUDE (a
# fraction of full scale) say what to play; the test reads the same ones.
# KESTRO_TONE_SECONDS (default 120) bounds the tone, should its stopper
# never run.
set -euo pipefail
if [ -z "${PULSE_SERVER:-}" ]; then
  echo "with_tone: no test bed sound server in the environment; run scripts/testbed/up.sh and source build/testbed/env.sh first" >&2
  exit 1
fi
if [ -z "${KESTRO_TONE_HZ:-}" ] || [ -z "${KESTRO_TONE_AMPLITUDE:-}" ]; then
  echo "with_tone: KESTRO_TONE_HZ and KESTRO_TONE_AMPLITUDE must say what to play" >&2
  exit 1
fi

# Stereo 16-bit at the sink's own rate, so that nothing resamples it; no
# dither, so the level is exactly the amplitude.
sox -q -D -n -r 48000 -c 2 -b 16 -e signed-integer -t raw - \
    synth "${KESTRO_TONE_SECONDS:-120}" sine "$KESTRO_TONE_HZ" vol "$KESTRO_TONE_AMPLITUDE" 2>/dev/null |
  paplay --raw --rate=48000 --channels=2 --format=s16le --volume=65536 \
         --client-name=kestro-tone --stream-name=kestro-tone &
player=$!
# Ending the player ends sox too, at its next write.
trap 'kill "$player" 2>/dev/null; wait "$player" 2>/dev/null || true' EXIT

"$@"
