"""The UI peer's own encoder and decoder of the standard message format and
of the method call and reply envelopes.

It is written from the format's tables, independently of the host's C++
codec, so that the end-to-end tests check the host the way the UI side
would. Decoding is strict: a truncated message, an unknown tag or bytes left
over raise DecodeError instead of being patched up, because any of them
means the host sent something the UI could not read.

Python values and the wire alternatives:

    None                  null (tag 0)
    True / False          bool (tags 1, 2)
    int                   32-bit integer (tag 3) when it fits, else 64-bit (tag 4)
    Int64                 64-bit integer (tag 4), whatever its value
    float                 double (tag 6)
    str                   string (tag 7); decoding also accepts tag 5
    bytes, bytearray      byte list (tag 8)
    array('i')            32-bit integer list (tag 9)
    array('q')            64-bit integer list (tag 10)
    array('d')            double list (tag 11)
    array('f')            float list (tag 14)
    list, tuple           list (tag 12)
    dict, MapEntries      map (tag 13)

Strings are byte strings on the wire and need not be UTF-8. They decode to
str with the 'surrogateescape' error handler: valid UTF-8 gives ordinary
text, and each byte that is not valid UTF-8 becomes a code point U+DC80 to
U+DCFF, which encodes back to that same byte. So every string round-trips.

Decoding gives tag 3 as int and tag 4 as Int64. Int64 never equals an int,
because 32-bit 7 and 64-bit 7 are two different values (and two different
map keys) on the wire.

A decoded map is a dict in wire order, unless Python cannot hold its keys in
one (a list or map key, or keys that Python equates although the wire does
not, such as True and 1, or 1 and 1.0); then it is a MapEntries list of
(key, value) pairs. Encoding writes a map's entries in the canonical key
order: by alternative index first, then by payload.
"""

import struct
import sys
from array import array
from bisect import bisect_left
from dataclasses import dataclass
from functools import cmp_to_key

(TAG_NULL, TAG_TRUE, TAG_FALSE, TAG_INT32, TAG_INT64, TAG_LARGE_INT, TAG_DOUBLE,
 TAG_STRING, TAG_BYTE_LIST, TAG_INT32_LIST, TAG_INT64_LIST, TAG_DOUBLE_LIST,
 TAG_LIST, TAG_MAP, TAG_FLOAT_LIST) = range(15)

# Alternative indices, which order map keys before their payloads do.
(ALT_NULL, ALT_BOOL, ALT_INT32, ALT_INT64, ALT_DOUBLE, ALT_STRING, ALT_BYTE_LIST,
 ALT_INT32_LIST, ALT_INT64_LIST, ALT_DOUBLE_LIST, ALT_LIST, ALT_MAP, ALT_CUSTOM,
 ALT_FLOAT_LIST) = range(14)

INT32_MIN, INT32_MAX = -2**31, 2**31 - 1
INT64_MIN, INT64_MAX = -2**63, 2**63 - 1

# Deeper nesting than this is refused both ways rather than running into
# Python's recursion limit.
MAX_DEPTH = 200

# typecode: (tag, alternative, element width)
_TYPED_LISTS = {
    'i': (TAG_INT32_LIST, ALT_INT32_LIST, 4),
    'q': (TAG_INT64_LIST, ALT_INT64_LIST, 8),
    'd': (TAG_DOUBLE_LIST, ALT_DOUBLE_LIST, 8),
    'f': (TAG_FLOAT_LIST, ALT_FLOAT_LIST, 4),
}
_TYPECODE_OF_TAG = {tag: code for code, (tag, _, _) in _TYPED_LISTS.items()}

_SUCCESS, _ERROR = 0, 1


class EncodeError(ValueError):
    """A Python value that has no form in the standard message format."""


class DecodeError(ValueError):
    """Bytes that are not a well-formed message."""


@dataclass(frozen=True)
class Int64:
    """A 64-bit integer, written with tag 4 even when it would fit 32 bits."""
    value: int

    def __post_init__(self):
        if isinstance(self.value, bool) or not isinstance(self.value, int):
            raise TypeError(f"Int64 holds an int, not {type(self.value).__name__}")
        if not INT64_MIN <= self.value <= INT64_MAX:
            raise ValueError(f"{self.value} does not fit in 64 bits")

    def __int__(self):
        return self.value

    def __index__(self):
        return self.value


class MapEntries(list):
    """A map as a list of (key, value) pairs, for keys a dict cannot hold."""


@dataclass
class MethodCall:
    method: str
    arguments: object = None


@dataclass
class Success:
    result: object = None


@dataclass
class Error:
    code: str
    message: str = ''
    details: object = None


@dataclass
class Empty:
    """The empty message: a not-implemented answer, or the end of an event stream."""


def string_bytes(text):
    """The wire bytes of a string value (see the module notes on strings)."""
    try:
        return text.encode('utf-8', 'surrogateescape')
    except UnicodeEncodeError as error:
        raise EncodeError(f"string {text!r} holds a lone surrogate that no byte stands for") from error


def _text(raw):
    return bytes(raw).decode('utf-8', 'surrogateescape')


# --- Alternatives and their ordering -------------------------------------

def alternative(value):
    """The alternative index (0 to 13) that `value` is encoded as."""
    if value is None:
        return ALT_NULL
    if isinstance(value, bool):
        return ALT_BOOL
    if isinstance(value, Int64):
        return ALT_INT64
    if isinstance(value, int):
        if INT32_MIN <= value <= INT32_MAX:
            return ALT_INT32
        if INT64_MIN <= value <= INT64_MAX:
            return ALT_INT64
        raise EncodeError(f"integer {value} does not fit in 64 bits")
    if isinstance(value, float):
        return ALT_DOUBLE
    if isinstance(value, str):
        return ALT_STRING
    if isinstance(value, (bytes, bytearray)):
        return ALT_BYTE_LIST
    if isinstance(value, array):
        if value.typecode not in _TYPED_LISTS:
            raise EncodeError(f"array of typecode {value.typecode!r} has no wire form; "
                              f"use one of {sorted(_TYPED_LISTS)} or bytes")
        return _TYPED_LISTS[value.typecode][1]
    if isinstance(value, (list, tuple)) and not isinstance(value, MapEntries):
        return ALT_LIST
    if isinstance(value, (dict, MapEntries)):
        return ALT_MAP
    raise EncodeError(f"{type(value).__name__} value {value!r} has no wire form")


def _sign(difference):
    return (difference > 0) - (difference < 0)


def _three_way(a, b):
    # 0 also for an unordered pair such as a NaN double.
    return (a > b) - (a < b)


def _compare_floats(a, b):
    for x, y in zip(a, b):
        if x < y:
            return -1
        if x > y:
            return 1
        if x != y:
            return 0  # unordered (a NaN): the walk stops, neither is first
    return _sign(len(a) - len(b))


def _compare_sequences(a, b, compare_elements):
    for x, y in zip(a, b):
        order = compare_elements(x, y)
        if order:
            return order
    return _sign(len(a) - len(b))


def _compare_entries(a, b):
    order = compare(a[0], b[0])
    return order if order else compare(a[1], b[1])


def compare(a, b):
    """-1, 0 or 1 as `a` orders before, with or after `b` as map keys do."""
    alt_a, alt_b = alternative(a), alternative(b)
    if alt_a != alt_b:
        return _sign(alt_a - alt_b)
    if alt_a == ALT_NULL:
        return 0
    if alt_a in (ALT_BOOL, ALT_INT32, ALT_INT64, ALT_DOUBLE):
        return _three_way(int(a), int(b)) if alt_a == ALT_INT64 else _three_way(a, b)
    if alt_a == ALT_STRING:
        return _three_way(string_bytes(a), string_bytes(b))
    if alt_a in (ALT_BYTE_LIST, ALT_INT32_LIST, ALT_INT64_LIST):
        return _three_way(list(a), list(b))
    if alt_a in (ALT_DOUBLE_LIST, ALT_FLOAT_LIST):
        return _compare_floats(a, b)
    if alt_a == ALT_LIST:
        return _compare_sequences(a, b, compare)
    return _compare_sequences(_sorted_entries(a), _sorted_entries(b), _compare_entries)


_KEY_ORDER = cmp_to_key(compare)


def _sorted_entries(mapping):
    entries = mapping.items() if isinstance(mapping, dict) else mapping
    return sorted(entries, key=lambda entry: _KEY_ORDER(entry[0]))


# --- Writing -------------------------------------------------------------

class _Writer:
    def __init__(self):
        self.out = bytearray()

    def byte(self, value):
        self.out.append(value)

    def pad(self, alignment):
        # Padding counts from the first byte of the whole message.
        self.out.extend(bytes(-len(self.out) % alignment))

    def size(self, size):
        if size < 254:
            self.byte(size)
        elif size <= 0xFFFF:
            self.byte(254)
            self.out += struct.pack('<H', size)
        elif size <= 0xFFFFFFFF:
            self.byte(255)
            self.out += struct.pack('<I', size)
        else:
            raise EncodeError(f"size {size} does not fit the 32-bit size prefix")

    def string(self, text):
        raw = string_bytes(text)
        self.byte(TAG_STRING)
        self.size(len(raw))
        self.out += raw

    def value(self, value, depth=0):
        if depth > MAX_DEPTH:
            raise EncodeError(f"value nests deeper than {MAX_DEPTH} levels")
        kind = alternative(value)
        if kind == ALT_NULL:
            self.byte(TAG_NULL)
        elif kind == ALT_BOOL:
            self.byte(TAG_TRUE if value else TAG_FALSE)
        elif kind == ALT_INT32:
            self.byte(TAG_INT32)
            self.out += struct.pack('<i', value)
        elif kind == ALT_INT64:
            self.byte(TAG_INT64)
            self.out += struct.pack('<q', int(value))
        elif kind == ALT_DOUBLE:
            self.byte(TAG_DOUBLE)
            self.pad(8)
            self.out += struct.pack('<d', value)
        elif kind == ALT_STRING:
            self.string(value)
        elif kind == ALT_BYTE_LIST:
            self.byte(TAG_BYTE_LIST)
            self.size(len(value))
            self.out += value
        elif kind == ALT_LIST:
            self.byte(TAG_LIST)
            self.size(len(value))
            for element in value:
                self.value(element, depth + 1)
        elif kind == ALT_MAP:
            self.map(value, depth)
        else:
            self.typed_list(value)

    def typed_list(self, elements):
        tag, _, width = _TYPED_LISTS[elements.typecode]
        if elements.itemsize != width:
            raise EncodeError(f"array('{elements.typecode}') has {elements.itemsize}-byte elements here, "
                              f"the wire needs {width}")
        self.byte(tag)
        self.size(len(elements))
        # Padded even when empty: the reader skips padding whatever the count.
        self.pad(width)
        if sys.byteorder == 'big':
            elements = array(elements.typecode, elements)
            elements.byteswap()
        self.out += elements.tobytes()

    def map(self, mapping, depth):
        entries = _sorted_entries(mapping)
        for before, after in zip(entries, entries[1:]):
            if compare(before[0], after[0]) == 0:
                raise EncodeError(f"map keys {before[0]!r} and {after[0]!r} are the same key on the wire")
        self.byte(TAG_MAP)
        self.size(len(entries))
        for key, value in entries:
            self.value(key, depth + 1)
            self.value(value, depth + 1)


def encode(value):
    """The message bytes of one value."""
    writer = _Writer()
    writer.value(value)
    return bytes(writer.out)


# --- Reading -------------------------------------------------------------

class _Reader:
    def __init__(self, data):
        self.data = bytes(data)
        self.position = 0

    def take(self, count, what):
        end = self.position + count
        if end > len(self.data):
            raise DecodeError(f"{what} needs {count} bytes at offset {self.position}, "
                              f"but the message ends at {len(self.data)}")
        chunk = self.data[self.position:end]
        self.position = end
        return chunk

    def byte(self, what):
        return self.take(1, what)[0]

    def skip_padding(self, alignment):
        self.take(-self.position % alignment, "padding")

    def size(self):
        first = self.byte("size prefix")
        if first < 254:
            return first
        if first == 254:
            return struct.unpack('<H', self.take(2, "size prefix"))[0]
        return struct.unpack('<I', self.take(4, "size prefix"))[0]

    def remaining(self):
        return len(self.data) - self.position

    def counted(self, what, minimum_bytes_each=1):
        # A count that the rest of the message cannot hold is refused before
        # anything is made for it.
        start = self.position
        count = self.size()
        if count * minimum_bytes_each > self.remaining():
            raise DecodeError(f"{what} at offset {start} declares {count} elements, "
                              f"more than the {self.remaining()} bytes left")
        return count

    def end(self):
        if self.position != len(self.data):
            raise DecodeError(f"{len(self.data) - self.position} bytes left over after offset {self.position}")

    def value(self, depth=0):
        if depth > MAX_DEPTH:
            raise DecodeError(f"value nests deeper than {MAX_DEPTH} levels")
        offset = self.position
        tag = self.byte("tag")
        if tag == TAG_NULL:
            return None
        if tag in (TAG_TRUE, TAG_FALSE):
            return tag == TAG_TRUE
        if tag == TAG_INT32:
            return struct.unpack('<i', self.take(4, "32-bit integer"))[0]
        if tag == TAG_INT64:
            return Int64(struct.unpack('<q', self.take(8, "64-bit integer"))[0])
        if tag == TAG_DOUBLE:
            self.skip_padding(8)
            return struct.unpack('<d', self.take(8, "double"))[0]
        if tag in (TAG_STRING, TAG_LARGE_INT):
            return _text(self.take(self.counted("string"), "string"))
        if tag == TAG_BYTE_LIST:
            return self.take(self.counted("byte list"), "byte list")
        if tag in _TYPECODE_OF_TAG:
            return self.typed_list(_TYPECODE_OF_TAG[tag])
        if tag == TAG_LIST:
            return [self.value(depth + 1) for _ in range(self.counted("list"))]
        if tag == TAG_MAP:
            return self.map(depth)
        raise DecodeError(f"unknown tag {tag} at offset {offset}")

    def typed_list(self, typecode):
        width = _TYPED_LISTS[typecode][2]
        count = self.size()
        self.skip_padding(width)
        elements = array(typecode)
        elements.frombytes(self.take(count * width, f"array('{typecode}') of {count}"))
        if sys.byteorder == 'big':
            elements.byteswap()
        return elements

    def map(self, depth):
        count = self.counted("map", minimum_bytes_each=2)
        entries, keys = [], []
        for _ in range(count):
            key, value = self.value(depth + 1), self.value(depth + 1)
            # The first of two equivalent keys wins, as on the host.
            slot = bisect_left(keys, _KEY_ORDER(key), key=_KEY_ORDER)
            if slot < len(keys) and compare(keys[slot], key) == 0:
                continue
            keys.insert(slot, key)
            entries.append((key, value))
        return _as_map(entries)


def _as_map(entries):
    mapping = {}
    for key, value in entries:
        try:
            if key in mapping:
                return MapEntries(entries)
        except TypeError:
            return MapEntries(entries)
        mapping[key] = value
    return mapping


def decode(data):
    """The one value that `data` holds; DecodeError when it holds anything else."""
    reader = _Reader(data)
    value = reader.value()
    reader.end()
    return value


# --- Method envelopes ----------------------------------------------------

def encode_call(method, arguments=None):
    writer = _Writer()
    writer.string(method)
    writer.value(arguments)
    return bytes(writer.out)


def decode_call(data):
    reader = _Reader(data)
    method = reader.value()
    if not isinstance(method, str):
        raise DecodeError(f"method name {method!r} is not a string")
    arguments = reader.value()
    reader.end()
    return MethodCall(method, arguments)


def listen_call(arguments=None):
    """The call that opens an event channel's stream."""
    return encode_call('listen', arguments)


def cancel_call(arguments=None):
    """The call that closes an event channel's stream."""
    return encode_call('cancel', arguments)


def encode_success(result=None):
    writer = _Writer()
    writer.byte(_SUCCESS)
    writer.value(result)
    return bytes(writer.out)


def encode_error(code, message='', details=None):
    writer = _Writer()
    writer.byte(_ERROR)
    writer.string(code)
    writer.value(message if message else None)
    writer.value(details)
    return bytes(writer.out)


def decode_reply(data):
    """A reply or event: Success, Error, or Empty for the empty message."""
    if not data:
        return Empty()
    reader = _Reader(data)
    flag = reader.byte("envelope")
    if flag == _SUCCESS:
        reply = Success(reader.value())
    elif flag == _ERROR:
        code, message, details = reader.value(), reader.value(), reader.value()
        if not isinstance(code, str):
            raise DecodeError(f"error code {code!r} is not a string")
        if message is not None and not isinstance(message, str):
            raise DecodeError(f"error message {message!r} is neither a string nor null")
        reply = Error(code, message or '', details)
    else:
        raise DecodeError(f"envelope byte {flag} is neither success (0) nor error (1)")
    reader.end()
    return reply
