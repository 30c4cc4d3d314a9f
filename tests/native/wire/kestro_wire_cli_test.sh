#!/usr/bin/env bash
# Runs kestro-wire the way the UI team does and checks exit codes, standard
# output and the diagnostics on standard error.
set -u
wire=$1
err=$(mktemp)
trap 'rm -f "$err"' EXIT
failures=0

fail() {
  echo "FAIL: kestro-wire $1"
  shift
  printf '  %s\n' "$@"
  sed 's/^/  stderr: /' "$err"
  failures=$((failures + 1))
}

# check EXIT STDOUT ARGS...: the exit status and the whole standard output.
check() {
  local want_status=$1 want_out=$2 out status
  shift 2
  out=$("$wire" "$@" 2>"$err")
  status=$?
  [ "$status" = "$want_status" ] && [ "$out" = "$want_out" ] ||
    fail "$*" "exit $status, want $want_status" "out:  $out" "want: $want_out"
}

# check_err TEXT: the last run's standard error holds TEXT.
check_err() {
  grep -qF -- "$1" "$err" || fail "(last run)" "stderr lacks: $1"
}

start=070573746172740d0107086368756e6b5f6d730364000000

echo "worked examples of the message format"
check 0 "$start" encode-call start '{"chunk_ms": 100}'
check 0 0006000000000000000000000000f83f encode-success 1.5
check 0 0107014507036261640307000000 encode-error E bad 7
check 0 010701450000 encode-error E ""
check 0 0000 encode-success
check 0 070473746f7000 encode-call stop

echo "decoding calls and replies"
check 0 'start {"chunk_ms": 100}' decode-call "$start"
check 0 'success true' decode-reply 0001
check 0 'not implemented' decode-reply ''
check 0 'error "E" "bad" 7' decode-reply 0107014507036261640307000000
check 0 '"my method" null' decode-call "$("$wire" encode-call 'my method')"
check 1 '' decode-call 0300000000
check_err "not a call"
check 1 '' decode-reply 02
check_err "not a reply"

echo "values through the wire and back"
value='{"a": [1L, -0.0, nan, inf], "b": "\xff\u0001é", "c": u8[0, 255], "d": f32[0.1]}'
check 0 "$value" decode "$("$wire" encode "$value")"

echo "damaged messages still decode, with diagnostics"
check 0 '{"chunk_ms": 0}' decode 0d0107086368756e6b5f6d730364
check_err "Invalid read in StandardCodecByteStreamReader"
check 0 'stop null' decode-call 070473746f70
check 0 '1' decode 030100000099
check_err "1 byte from offset 5 not decoded: 99"
# A list refused for its depth and a key equivalent to an earlier one: what
# decode prints, encode reads back.
deep=$(printf '0c01%.0s' $(seq 255))0c020c0c
check 0 "$(printf '0c01%.0s' $(seq 255))0c020c0000" encode "$("$wire" decode "$deep" 2>/dev/null)"
nan_key=0d03060000000000000000000000f03f0301000000060000000000000000f87f030200000006000000000000000000400303000000
check 0 '{1.0: 1, 2.0: 3}' decode "$nan_key"
check_err "1 of 3 keys equivalent to an earlier key"

echo "bad input is refused with exit 2"
check 2 '' encode '[1, 2 3]'
check_err "invalid value at column 7: expected ',' or ']'"
check_err "        ^"
check 2 '' encode 3000000000
check_err "write 3000000000L"
check 2 '' encode '{1.0: 1, nan: 2}'
check_err "the key is a NaN, equivalent to every double key"
check 2 '' decode 0g
check_err "invalid hex message at column 2"
check 2 '' decode-reply 012
check_err "odd number of hex digits"

echo "usage"
check 2 '' encode '[1,' '2]'
check_err "too many arguments"
check 2 '' frobnicate
check_err "usage: kestro-wire"
check 2 ''
check 2 '' encode-error E
"$wire" --help | grep -q "^usage: kestro-wire" || fail "--help" "no usage on standard output"

[ "$failures" -eq 0 ] && echo "all passed" || echo "$failures failed"
[ "$failures" -eq 0 ]
