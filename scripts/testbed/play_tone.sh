#!/usr/bin/env bash
# Plays a sine tone into the test bed's default sink (or SINK) until it has
# played SECONDS or this script gets TERM. Needs the bed's environment.
#   play_tone.sh HZ AMPLITUDE SECONDS [SINK]     (AMPLITUDE: a fraction of full scale)
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 HZ AMPLITUDE SECONDS [SINK]" >&2; exit 2; }
hz=$1 amplitude=$2 seconds=$3 sink=${4:-}

# Stereo 16-bit at the sinks' own rate, so that nothing resamples it; no
# dither, so the level is exactly the amplitude.
sox -q -D -n -r 48000 -c 2 -b 16 -e signed-integer -t raw - \
    synth "$seconds" sine "$hz" vol "$amplitude" 2>/dev/null |
  paplay --raw --rate=48000 --channels=2 --format=s16le --volume=65536 ${sink:+"--device=$sink"} \
         --client-name=kestro-tone --stream-name=kestro-tone &
player=$!
# Ending the player ends sox too, at its next write.
trap 'kill "$player" 2>/dev/null || true' TERM INT EXIT
wait "$player"
