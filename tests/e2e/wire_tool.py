"""Driving the C++ codec through the kestro-wire tool: finding the binary and
writing Python values in its text notation."""

import math
import os
import struct
import subprocess
from array import array

import kestro_codec
from kestro_codec import Int64, MapEntries
from testbed import REPO

_BUILD_DIRS = ('build/testbed-native', 'build/native')
_LIST_PREFIX = {'i': 'i32', 'q': 'i64', 'd': 'f64', 'f': 'f32'}


def find():
    """The kestro-wire binary, or None when none is built."""
    candidates = [os.environ.get('KESTRO_WIRE')] if os.environ.get('KESTRO_WIRE') else \
        [REPO / folder / 'tools' / 'kestro-wire' / 'kestro-wire' for folder in _BUILD_DIRS]
    return next((str(path) for path in candidates if os.access(path, os.X_OK)), None)


def run(binary, *args):
    """kestro-wire's standard output, stripped; raises when it fails."""
    return subprocess.run([binary, *args], check=True, capture_output=True, text=True).stdout.strip()


def _number(value):
    if math.isnan(value):
        return f'nan(0x{struct.unpack("<Q", struct.pack("<d", value))[0]:016x})'
    if math.isinf(value):
        return 'inf' if value > 0 else '-inf'
    return repr(value)


def _string(text):
    out = []
    for byte in kestro_codec.string_bytes(text):
        char = chr(byte)
        out.append('\\' + char if char in '"\\' else char if 0x20 <= byte < 0x7f else f'\\x{byte:02x}')
    return '"' + ''.join(out) + '"'


def notation(value):
    """`value` in kestro-wire's text notation."""
    kind = kestro_codec.alternative(value)
    if value is None or isinstance(value, bool):
        return {None: 'null', True: 'true', False: 'false'}[value]
    if kind == kestro_codec.ALT_INT32:
        return str(value)
    if kind == kestro_codec.ALT_INT64:
        return f'{int(value)}L'
    if isinstance(value, float):
        return _number(value)
    if isinstance(value, str):
        return _string(value)
    if isinstance(value, (bytes, bytearray)):
        return 'u8[' + ', '.join(map(str, value)) + ']'
    if isinstance(value, array):
        elements = value if value.typecode in 'iq' else map(_number, value)
        return _LIST_PREFIX[value.typecode] + '[' + ', '.join(map(str, elements)) + ']'
    if isinstance(value, (dict, MapEntries)):
        entries = value.items() if isinstance(value, dict) else value
        return '{' + ', '.join(f'{notation(k)}: {notation(v)}' for k, v in entries) + '}'
    return '[' + ', '.join(map(notation, value)) + ']'


__all__ = ['find', 'run', 'notation', 'Int64']
