"""Reads back what the crash handling writes: a minidump's signature, its
exception stream, its thread and module lists."""

import struct
from dataclasses import dataclass

SIGNATURE = b'MDMP'
THREAD_LIST, MODULE_LIST, EXCEPTION = 3, 4, 6


@dataclass
class Minidump:
    exception_code: int
    exception_thread: int
    exception_address: int
    threads: list
    modules: list


def _string(data, rva):
    (length,) = struct.unpack_from('<I', data, rva)
    return data[rva + 4:rva + 4 + length].decode('utf-16-le')


def read(path):
    data = path.read_bytes()
    if data[:4] != SIGNATURE:
        raise ValueError(f'{path}: no minidump signature: {data[:4]!r}')
    stream_count, directory = struct.unpack_from('<II', data, 8)
    streams = {}
    for index in range(stream_count):
        kind, size, rva = struct.unpack_from('<III', data, directory + 12 * index)
        streams[kind] = (rva, size)
    missing = {THREAD_LIST, MODULE_LIST, EXCEPTION} - streams.keys()
    if missing:
        raise ValueError(f'{path}: streams {sorted(missing)} missing')

    rva, _ = streams[EXCEPTION]
    thread, _, code, _, _, address = struct.unpack_from('<IIIIQQ', data, rva)

    rva, _ = streams[THREAD_LIST]
    (count,) = struct.unpack_from('<I', data, rva)
    # MINIDUMP_THREAD: 48 bytes, the thread id first.
    threads = [struct.unpack_from('<I', data, rva + 4 + 48 * i)[0] for i in range(count)]

    rva, _ = streams[MODULE_LIST]
    (count,) = struct.unpack_from('<I', data, rva)
    # MINIDUMP_MODULE: 108 bytes, the name's RVA at offset 20.
    modules = [_string(data, struct.unpack_from('<I', data, rva + 4 + 108 * i + 20)[0]) for i in range(count)]
    return Minidump(code, thread, address, threads, modules)
