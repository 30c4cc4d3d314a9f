#!/usr/bin/env bash
# The demonstration: the package is unzipped into a fresh folder, kestro.exe
# runs from there on the Wine test bed, and a UI peer
# connected to the stand-in engine's UI port shows what the user interface
# sees: start-up, the window after its first frame, the plug-ins and
# channels, a screenshot, the three services (capture protection, a paste
# into Wine's notepad, system audio with tones played into the bed's sink and
# a spectrogram of each capture in build/demo/), a secondary window with its
# own channels, and the exit code after closing the window. Then kestro-wire
# shows, byte by byte, a message exchange on the system audio channels.
# `make run` builds everything first.
set -euo pipefail
cd "$(dirname "$0")/.."
wire=${KESTRO_WIRE:-build/native/tools/kestro-wire/kestro-wire}
package=build/windows/kestro-1.0.3.103-win64.zip
screenshot=build/demo/kestro-window.png

section() { printf '\n== %s\n' "$*"; }

for built in "$package" "$wire"; do
  if [ ! -x "$built" ] && [ ! -f "$built" ]; then
    echo "demo: $built is missing; run make run (it builds the native and windows presets)" >&2
    exit 1
  fi
done

# The fresh folder goes at the end; so does the bed, when this run brought it up.
fresh=$(mktemp -d /tmp/kestro-demo.XXXXXX)
bed_is_ours=0
finish() {
  rm -rf "$fresh"
  if [ "$bed_is_ours" = 1 ]; then
    section "Tearing the test bed down"
    scripts/testbed/down.sh
  fi
}
trap finish EXIT

section 'Bringing up the Wine test bed (the first time takes a minute)'
# A bed that was already up belongs to whoever brought it up: it stays.
mkdir -p build/demo
scripts/testbed/up.sh 2>&1 | tee build/demo/testbed-up.log
grep -q 'already up' build/demo/testbed-up.log || bed_is_ours=1

section "Unzipping $package into a fresh folder"
unzip -q "$package" -d "$fresh"
(cd "$fresh" && find kestro -type f -printf '%10s  %p\n' | sort -k2)
echo "$(du -b "$package" | cut -f1) bytes zipped"

section "kestro.exe from $fresh/kestro under Wine, with the UI played through the UI port"
KESTRO_DIST_DIR=$fresh/kestro /usr/bin/python3 tests/e2e/demo.py "$screenshot" --demo 'héllo wörld' ''

# Prints an argument the way it would be typed into a shell.
typed() { [[ $1 =~ ^[A-Za-z0-9_.-]+$ ]] && printf '%s' "$1" || printf "'%s'" "$1"; }

# Shows a command line, then what it prints (standard error included).
show() {
  printf '$ kestro-wire'
  for argument in "$@"; do printf ' %s' "$(typed "$argument")"; done
  echo
  "$wire" "$@" 2>&1 | sed 's/^/  /'
}

section 'kestro-wire: the UI asks "kestro/system_audio" to start, in 100 ms chunks'
show encode-call start '{"chunk_ms": 100}'
call=$("$wire" encode-call start '{"chunk_ms": 100}')
show decode-call "$call"

section 'The service answers: success, true'
show encode-success true
show decode-reply "$("$wire" encode-success true)"

section 'An audio chunk on "kestro/system_audio_events": 16-bit samples 16 and -16 as a byte list'
show encode-success 'u8[16, 0, 240, 255]'
show decode-reply "$("$wire" encode-success 'u8[16, 0, 240, 255]')"
