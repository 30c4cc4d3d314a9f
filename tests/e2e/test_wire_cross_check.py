"""The UI peer's codec and the host's C++ codec agree on every byte."""

import math
from array import array

import pytest

import wire_tool
from kestro_codec import (Int64, MapEntries, decode, encode, encode_call, encode_error,
                          encode_success)


@pytest.fixture(scope='module')
def wire():
    binary = wire_tool.find()
    if binary is None:
        pytest.skip('kestro-wire is not built: cmake --preset native -B build/testbed-native && '
                    'cmake --build build/testbed-native --target kestro-wire')
    try:
        speaks = wire_tool.run(binary, 'encode', 'null') == '00'
    except Exception:  # a stub or a broken build prints nothing useful
        speaks = False
    if not speaks:
        pytest.skip(f'{binary} does not encode yet')
    return lambda *args: wire_tool.run(binary, *args)


# Linux caps one argument at 128 KiB; a message goes as hex, two characters a byte.
MAX_ARGUMENT_BYTES = 60000

VECTORS = [
    None, True, False, 0, -1, 2**31 - 1, -2**31, Int64(0), Int64(-2**63), 2**40,
    1.5, -0.0, 5e-324, 1e300, math.inf, -math.inf, math.nan,
    '', 'chunk_ms', 'é ✓', '\udcff\x00"\\', 'x' * 254, 'y' * 65536,
    b'', bytes(range(256)), array('i'), array('i', [1, -2**31]), array('q'), array('q', [2**62]),
    array('d'), array('d', [0.1, math.nan]), array('f'), array('f', [0.1, -1.0]),
    [], [1.5], [array('d', [1.0]), [b'', 'a', [None]]],
    {}, {'chunk_ms': 100}, {'b': 1, 'a': 2, 'ab': 3},
    {None: 0, False: 1, 2: 2, Int64(2): 3, 2.5: 4, 's': 5, b'u8': 6, (1,): 7},
    MapEntries([(True, 'bool'), (1, 'int'), ([1], 'list'), ({'k': 1}, 'map'), (array('f'), 'f32')]),
]


@pytest.mark.parametrize('value', VECTORS, ids=lambda value: wire_tool.notation(value)[:40])
def test_both_codecs_encode_and_decode_alike(wire, value):
    ours = encode(value)
    assert wire('encode', wire_tool.notation(value)) == ours.hex()
    # The C++ reading of our bytes, written out and encoded again, is our
    # bytes (when their hex fits in one command-line argument).
    if len(ours) < MAX_ARGUMENT_BYTES:
        assert wire('encode', wire('decode', ours.hex())) == ours.hex()


@pytest.mark.parametrize('args, ours', [
    (['encode-call', 'start', '{"chunk_ms": 100}'], encode_call('start', {'chunk_ms': 100})),
    (['encode-call', 'stop'], encode_call('stop')),
    (['encode-call', 'listen', '[1.5]'], encode_call('listen', [1.5])),
    (['encode-success'], encode_success()),
    (['encode-success', 'f64[2.0]'], encode_success(array('d', [2.0]))),
    (['encode-error', 'E', '', 'null'], encode_error('E')),
    (['encode-error', 'error', 'No active stream to cancel'], encode_error('error', 'No active stream to cancel')),
    (['encode-error', 'E', 'bad', '{"d": 1.5}'], encode_error('E', 'bad', {'d': 1.5})),
])
def test_envelopes_agree(wire, args, ours):
    assert wire(*args) == ours.hex()


def test_cpp_reads_our_envelopes(wire):
    assert wire('decode-call', encode_call('start', {'chunk_ms': 100}).hex()) == 'start {"chunk_ms": 100}'
    assert wire('decode-reply', encode_success(True).hex()) == 'success true'
    assert wire('decode-reply', encode_error('E', 'bad', 7).hex()) == 'error "E" "bad" 7'


def test_our_decoder_reads_cpp_bytes(wire):
    text = '{"k": [1, 2L, 1.5, "s", u8[1], i32[1], i64[1], f64[1.0], f32[1.0], {}, null, true]}'
    assert wire_tool.notation(decode(bytes.fromhex(wire('encode', text)))) == text
