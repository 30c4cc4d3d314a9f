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

"$(dirname "$0")/../../../scripts/testbed/play_tone.sh" "$KESTRO_TONE_HZ" "$KESTRO_TONE_AMPLITUDE" \
  "${KESTRO_TONE_SECONDS:-120}" &
player=$!
trap 'kill "$player" 2>/dev/null; wait "$player" 2>/dev/null || true' EXIT

"$@"
