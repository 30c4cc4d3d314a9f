"""The UI peer's codec writes and reads exactly the bytes of the format."""

import math
from array import array

import pytest

from kestro_codec import (DecodeError, Empty, EncodeError, Error, Int64, MapEntries, MethodCall,
                          Success, compare, decode, decode_call, decode_reply, encode, encode_call,
                          encode_error, encode_success, listen_call)


def h(text):
    return bytes.fromhex(text.replace(' ', ''))


CHUNK_MS = '0d 01 07 08' + b'chunk_ms'.hex() + '03 64 00 00 00'


@pytest.mark.parametrize('value, expected', [
    (None, '00'), (True, '01'), (False, '02'),
    (Int64(1), '04 01 00 00 00 00 00 00 00'),
    ('', '07 00'),
    ({'chunk_ms': 100}, CHUNK_MS),
    ([1.5], '0c 01 06 00 00 00 00 00 00 00 00 00 00 00 f8 3f'),
    (b'', '08 00'), (bytearray(b'\x01\xff'), '08 02 01 ff'),
    (array('i', [1, -1]), '09 02 00 00 01 00 00 00 ff ff ff ff'),
    (array('f', [1.0]), '0e 01 00 00 00 00 80 3f'),
    (array('q', [-2]), '0a 01 00 00 00 00 00 00 fe ff ff ff ff ff ff ff'),
    # Empty typed lists keep their padding; byte lists are never padded.
    (array('i'), '09 00 00 00'),
    (array('d'), '0b 00 00 00 00 00 00 00'),
    (array('f'), '0e 00 00 00'),
])
def test_values_encode_to_the_format_bytes(value, expected):
    assert encode(value) == h(expected)
    assert encode(decode(h(expected))) == h(expected)


@pytest.mark.parametrize('message, expected', [
    (encode_success(1.5), '00 06 00 00 00 00 00 00 00 00 00 00 00 00 f8 3f'),
    (encode_success(), '00 00'),
    (encode_success(True), '00 01'),
    (encode_success(array('d', [2.0])), '00 0b 01 00 00 00 00 00 00 00 00 00 00 00 00 40'),
    (encode_error('E'), '01 07 01 45 00 00'),
    (encode_error('E', 'bad', 7), '01 07 01 45 07 03 62 61 64 03 07 00 00 00'),
    (encode_call('start', {'chunk_ms': 100}), '07 05' + b'start'.hex() + CHUNK_MS),
    (listen_call(), '07 06' + b'listen'.hex() + '00'),
])
def test_envelopes_count_padding_from_the_message_start(message, expected):
    assert message == h(expected)


@pytest.mark.parametrize('size, prefix', [
    (253, 'fd'), (254, 'fe fe 00'), (65535, 'fe ff ff'), (65536, 'ff 00 00 01 00'),
])
def test_size_prefix_switches_form_at_254_and_65536(size, prefix):
    text = 'x' * size
    assert encode(text) == h('07' + prefix) + text.encode()
    assert decode(encode(text)) == text


def test_reader_accepts_tag_5_and_non_minimal_sizes():
    assert decode(h('05 03 31 32 33')) == '123'
    assert decode(h('07 fe 03 00 61 62 63')) == 'abc'


def test_integers_keep_their_width():
    assert encode(2**31 - 1)[0] == 3 and encode(-2**31)[0] == 3
    assert decode(encode(2**31)) == Int64(2**31)
    assert decode(h('04 07 00 00 00 00 00 00 00')) == Int64(7) != 7
    assert decode(h('03 07 00 00 00')) == 7
    with pytest.raises(EncodeError):
        encode(2**63)


def test_strings_are_bytes_and_round_trip_whatever_they_hold():
    assert encode('é') == h('07 02 c3 a9')
    raw = decode(h('07 03 ff 00 41'))
    assert raw == '\udcff\x00A'
    assert encode(raw) == h('07 03 ff 00 41')
    with pytest.raises(EncodeError):
        encode('\ud800')


def test_map_keys_are_written_by_alternative_then_payload():
    keys = [b'x', 'b', 'ab', 'a', 1.5, Int64(1), 1, False, None]
    message = encode({key: None for key in keys})
    assert list(decode(message)) == list(reversed(keys))
    assert message == encode({key: None for key in reversed(keys)})


def test_first_of_two_equal_keys_wins():
    message = h('0d 02 07 01 61 03 01 00 00 00 07 01 61 03 02 00 00 00')
    assert decode(message) == {'a': 1}


def test_maps_with_keys_python_cannot_hold_keep_every_entry():
    message = encode(MapEntries([(1, 'int'), (True, 'bool'), ([1], 'list')]))
    decoded = decode(message)
    assert isinstance(decoded, MapEntries)
    assert decoded == [(True, 'bool'), (1, 'int'), ([1], 'list')]
    assert encode(decoded) == message
    with pytest.raises(EncodeError):
        encode(MapEntries([('a', 1), ('a', 2)]))


def test_ordering_follows_the_value_rules():
    nan = math.nan
    assert compare(array('d', [1.0, nan, 0.0]), array('d', [1.0, nan, 5.0])) == 0
    assert compare(array('d', [1.0]), array('d', [1.0, 0.0])) == -1
    assert compare([1, 'a'], [1, 'b']) == -1
    assert compare({'a': 1}, {'a': 1, 'b': 0}) == -1
    assert compare({'a': 2}, {'b': 1}) == -1
    assert compare(array('f'), (1,)) == 1  # float lists come after every list


@pytest.mark.parametrize('message', [
    '03 01 00',                  # truncated integer
    '2a',                        # unknown tag
    '00 00',                     # bytes left over
    '07 ff ff ff ff 00',         # size larger than the message
    '0b 01 00',                  # typed list whose padding runs off the end
    '0c 01' * 300 + '00',        # nested too deeply
    '',                          # no value at all
])
def test_malformed_messages_are_refused(message):
    with pytest.raises(DecodeError):
        decode(h(message))


def test_calls_decode_strictly():
    assert decode_call(encode_call('stop')) == MethodCall('stop', None)
    with pytest.raises(DecodeError):
        decode_call(h('07 04 73 74 6f 70'))  # arguments missing
    with pytest.raises(DecodeError):
        decode_call(h('03 01 00 00 00 00'))  # name not a string


def test_replies_decode_to_success_error_or_empty():
    assert decode_reply(h('00 00')) == Success(None)
    assert decode_reply(h('01 07 01 45 00 00')) == Error('E', '', None)
    assert decode_reply(encode_error('E', 'bad', [1])) == Error('E', 'bad', [1])
    assert decode_reply(b'') == Empty()
    for malformed in ('02', '01 03 01 00 00 00 00 00', '01 07 01 45 03 01 00 00 00 00'):
        with pytest.raises(DecodeError):
            decode_reply(h(malformed))


def test_rich_values_round_trip():
    value = {'ints': [0, -1, Int64(2**40)], 'doubles': array('d', [math.inf, -0.0]),
             'nested': {'list': [None, True, b'\x00\xff', array('f', [0.5])]}, 'text': 'ünï'}
    assert decode(encode(value)) == value


@pytest.mark.parametrize('value', [{1, 2}, array('h', [1]), object(), 2**64])
def test_values_without_a_wire_form_are_refused(value):
    with pytest.raises(EncodeError):
        encode(value)
