"""The UI's side of system audio, shared by the end-to-end tests and the
demonstration: the channels, listening, collecting chunk events, and which
of the newer "start" keys the host can be asked for.
"""

import time

import kestro_codec as codec
from kestro_app import MAIN_ENGINE
from ui_port import UiPortError

AUDIO = 'kestro/system_audio'
AUDIO_EVENTS = 'kestro/system_audio_events'
RATE = 16000  # chunks: 16 kHz mono signed 16-bit little-endian
BYTES_PER_MS = 32
# A tone above the chunks' 8 kHz limit: at 48 kHz, taken every third sample
# by the standard conversion, 10 kHz folds to 6 kHz.
HIGH_HZ, ALIAS_HZ = 10000, 6000



def listen(port, engine=MAIN_ENGINE):
    return port.send(engine, AUDIO_EVENTS, codec.listen_call()).reply()


def cancel(port, engine=MAIN_ENGINE):
    return port.send(engine, AUDIO_EVENTS, codec.cancel_call()).reply()


def start(port, **arguments):
    return port.call(MAIN_ENGINE, AUDIO, 'start', arguments)


def stop(port):
    return port.call(MAIN_ENGINE, AUDIO, 'stop')


def status(port):
    return port.call(MAIN_ENGINE, AUDIO, 'get_status').result


def events_within(port, seconds):
    """The host's messages on the events channel during `seconds`."""
    events = []
    deadline = time.monotonic() + seconds
    while (left := deadline - time.monotonic()) > 0:
        try:
            message = port.next_host_message(timeout=left)
        except UiPortError:
            if port.closed_reason:
                raise
            break
        if message.channel == AUDIO_EVENTS:
            events.append(message)
    return events


def chunks_within(port, seconds):
    """The chunks (bytes) of the chunk events that arrive during `seconds`."""
    chunks = []
    for event in events_within(port, seconds):
        reply = codec.decode_reply(event.data)
        assert isinstance(reply, codec.Success) and isinstance(reply.result, (bytes, bytearray)), reply
        chunks.append(bytes(reply.result))
    return chunks


def chunks_until(port, count, timeout):
    """At least `count` chunks, or what arrived within `timeout` seconds."""
    chunks = []
    deadline = time.monotonic() + timeout
    while len(chunks) < count and (left := deadline - time.monotonic()) > 0:
        chunks += chunks_within(port, min(left, 0.2))
    return chunks


def sound_within(port, timeout):
    """Whether a chunk other than silence arrives within `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while (left := deadline - time.monotonic()) > 0:
        if any(any(chunk) for chunk in chunks_within(port, min(left, 0.1))):
            return True
    return False


# The first packets come 0.5 to 1.5 s after the stream starts under Wine.
FIRST_CHUNK_TIMEOUT = 5.0


def capture(port, seconds, chunk_ms=100, **options):
    """Starts capture with `options`, takes `seconds` worth of chunks (or
    what arrives meanwhile) and stops; the start's answer and the chunks."""
    started = start(port, chunk_ms=chunk_ms, **options)
    chunks = chunks_until(port, round(seconds * 1000 / chunk_ms), FIRST_CHUNK_TIMEOUT + seconds)
    stop(port)
    return started, chunks
