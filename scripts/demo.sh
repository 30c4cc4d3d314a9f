#!/usr/bin/env bash
# The demonstration: kestro-wire encodes and decodes the messages the UI
# sends to the system audio channel.
set -euo pipefail
cd "$(dirname "$0")/.."
wire=build/native/tools/kestro-wire/kestro-wire

show() { printf '$ kestro-wire %s\n' "$*"; "$wire" "$@"; echo; }

echo "The UI asks for system audio in 100 ms chunks:"
call=$("$wire" encode-call start '{"chunk_ms": 100}')
show encode-call start '{"chunk_ms": 100}'
show decode-call "$call"
echo "The host answers true:"
show encode-success true
show decode-reply 0001
echo "A 2-sample chunk travels as a byte list event:"
show encode-success 'u8[16, 0, 240, 255]'
echo "An error envelope:"
show encode-error E bad 7
show decode-reply "$("$wire" encode-error E bad 7)"
