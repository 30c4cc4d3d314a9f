#!/usr/bin/env bash
# The demonstration: kestro-wire shows, byte by byte, the messages the UI and
# the native services exchange on the system audio channels.
set -euo pipefail
cd "$(dirname "$0")/.."
wire=${KESTRO_WIRE:-build/native/tools/kestro-wire/kestro-wire}

# Prints an argument the way it would be typed into a shell.
typed() { [[ $1 =~ ^[A-Za-z0-9_.-]+$ ]] && printf '%s' "$1" || printf "'%s'" "$1"; }

# Shows a command line, then what it prints (standard error included).
show() {
  printf '$ kestro-wire'
  for argument in "$@"; do printf ' %s' "$(typed "$argument")"; done
  echo
  "$wire" "$@" 2>&1 | sed 's/^/  /'
}

section() { printf '\n== %s\n' "$*"; }

section 'The UI asks "kestro/system_audio" to start, in 100 ms chunks'
show encode-call start '{"chunk_ms": 100}'
call=$("$wire" encode-call start '{"chunk_ms": 100}')
show decode-call "$call"

section 'The service answers: success, true'
show encode-success true
show decode-reply "$("$wire" encode-success true)"

section 'An audio chunk on "kestro/system_audio_events": 16-bit samples 16 and -16 as a byte list'
show encode-success 'u8[16, 0, 240, 255]'
show decode-reply "$("$wire" encode-success 'u8[16, 0, 240, 255]')"

section 'An error envelope, as error replies and error events carry it: code, message, details'
show encode-error UNAVAILABLE "no output device" '{"retry_ms": 500}'
show decode-reply "$("$wire" encode-error UNAVAILABLE "no output device" '{"retry_ms": 500}')"

section 'The start call cut short by three bytes: decoding goes on with zeros, and says so'
show decode-call "${call:0:${#call}-6}"

section 'A typo in a value is pointed at, and nothing is encoded'
show encode '{"chunk_ms": 100 }}' || true
