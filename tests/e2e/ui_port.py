"""A client of the stand-in engine's UI port: the UI peer's side of the
connection (frames as in standin/engine/README.md).

One reader thread splits the stream into frames. Responses, state replies
and action results are matched to their requests by request id; host
messages (events, sends with reply) are queued for `next_host_message`.
"""

import queue
import socket
import struct
import threading
from dataclasses import dataclass

import kestro_codec as codec

PROTOCOL_VERSION = 1

# Peer to host.
SEND_MESSAGE, REPLY_TO_HOST, QUERY_STATE, ACTION = 0x01, 0x02, 0x03, 0x04
# Host to peer.
HELLO, MESSAGE_RESPONSE, HOST_MESSAGE, STATE_REPLY, ACTION_RESULT, PROTOCOL_ERROR = range(0x80, 0x86)

# Message response outcomes.
ANSWERED, NO_HANDLER, ENGINE_GONE = 0, 1, 2

# Actions.
RENDER_FRAME = 1
CLOSE_WINDOW = 2
RESIZE_WINDOW = 3
SEND_FONT_CHANGE = 4
CONSUME_WINDOW_MESSAGE = 5
STOP_CONSUMING_WINDOW_MESSAGE = 6
MINIMISE_WINDOW = 7
RESTORE_WINDOW = 8
FORGET_SENT_MESSAGES = 9
CRASH_PROCESS = 10

# How CRASH_PROCESS ends the host.
CRASH_KINDS = {'access_violation': 1, 'abort': 2, 'terminate': 3, 'pure_virtual_call': 4,
               'invalid_parameter': 5, 'stack_overflow': 6}
# Beside them, an access violation that leaves the host's diagnostics
# blocked on the standard error stream's lock.
CRASH_WAYS = dict(CRASH_KINDS, holding_stderr=7)

WM_SIZE = 0x0005
WM_FONTCHANGE = 0x001D


class UiPortError(RuntimeError):
    """The host refused a frame, went away, or did not answer in time."""


@dataclass
class Response:
    outcome: int
    data: bytes

    def reply(self):
        """The decoded method reply (Success, Error or Empty)."""
        if self.outcome != ANSWERED:
            raise UiPortError(f'no answer: outcome {self.outcome}')
        return codec.decode_reply(self.data)


@dataclass
class HostMessage:
    message_id: int
    engine: int
    wants_reply: bool
    channel: str
    data: bytes


def _text(value):
    raw = value.encode('utf-8')
    return struct.pack('<I', len(raw)) + raw


def _frame(frame_type, payload):
    return struct.pack('<IB', len(payload) + 1, frame_type) + payload


class UiPort:
    def __init__(self, port, timeout=10):
        self.port_number = port
        self.timeout = timeout
        self._socket = socket.create_connection(('127.0.0.1', port), timeout=timeout)
        self._socket.settimeout(None)
        self._send_lock = threading.Lock()
        self._pending = {}  # request id -> queue of its one answer
        self._pending_lock = threading.Lock()
        self._next_request = 1
        self._host_messages = queue.Queue()
        self._hello = queue.Queue()
        self.closed_reason = None
        self._reader = threading.Thread(target=self._read_frames, daemon=True)
        self._reader.start()
        try:
            kind, payload = self._hello.get(timeout=timeout)
        except queue.Empty:
            self.close()
            raise UiPortError('no hello from the host') from None
        if kind != HELLO or payload[:4] != struct.pack('<I', PROTOCOL_VERSION):
            self.close()
            raise UiPortError(self.closed_reason or f'unexpected first frame {kind} {payload!r}')

    # --- requests -------------------------------------------------------------

    def send(self, engine, channel, message, timeout=None):
        """Sends raw message bytes to an engine's channel; its Response."""
        return self._request(SEND_MESSAGE, lambda rid: struct.pack('<IQ', rid, engine) + _text(channel) + message,
                             timeout)

    def call(self, engine, channel, method, arguments=None, timeout=None):
        """Calls a method on a method channel; the decoded reply."""
        return self.send(engine, channel, codec.encode_call(method, arguments), timeout).reply()

    def state(self, timeout=None):
        """The state map the host reports."""
        return codec.decode(self._request(QUERY_STATE, lambda rid: struct.pack('<I', rid), timeout))

    def action(self, action, engine, arguments=b'', timeout=None):
        """Performs an action; whether the host could do it."""
        return self._request(ACTION, lambda rid: struct.pack('<IBQ', rid, action, engine) + arguments, timeout)

    def render_frame(self, engine):
        return self.action(RENDER_FRAME, engine)

    def close_window(self, engine):
        return self.action(CLOSE_WINDOW, engine)

    def resize_window(self, engine, width, height):
        return self.action(RESIZE_WINDOW, engine, struct.pack('<ii', width, height))

    def send_font_change(self, engine):
        return self.action(SEND_FONT_CHANGE, engine)

    def consume_window_message(self, engine, message, result=0):
        return self.action(CONSUME_WINDOW_MESSAGE, engine, struct.pack('<Iq', message, result))

    def stop_consuming_window_message(self, engine, message):
        return self.action(STOP_CONSUMING_WINDOW_MESSAGE, engine, struct.pack('<I', message))

    def crash_process(self, engine, kind, on_platform_thread=True):
        """Asks the stand-in to crash the host; no answer comes when it does."""
        arguments = struct.pack('<BB', CRASH_WAYS[kind], 0 if on_platform_thread else 1)
        with self._pending_lock:
            request_id = self._next_request
            self._next_request += 1
        self._write(_frame(ACTION, struct.pack('<IBQ', request_id, CRASH_PROCESS, engine) + arguments))

    def reply_to_host(self, message_id, data):
        self._write(_frame(REPLY_TO_HOST, struct.pack('<Q', message_id) + data))

    def next_host_message(self, timeout=None):
        """The next message the host sent; UiPortError when none came in time."""
        try:
            return self._host_messages.get(timeout=self.timeout if timeout is None else timeout)
        except queue.Empty:
            raise UiPortError(self.closed_reason or 'no host message in time') from None

    def close(self):
        try:
            self._socket.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self._socket.close()
        self._reader.join(5)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    # --- plumbing -------------------------------------------------------------

    def _request(self, frame_type, payload_of, timeout):
        answer = queue.Queue(1)
        with self._pending_lock:
            request_id = self._next_request
            self._next_request += 1
            self._pending[request_id] = answer
        try:
            self._write(_frame(frame_type, payload_of(request_id)))
            try:
                result = answer.get(timeout=self.timeout if timeout is None else timeout)
            except queue.Empty:
                raise UiPortError(self.closed_reason or f'no answer to request {request_id} in time') from None
            if isinstance(result, UiPortError):
                raise result
            return result
        finally:
            with self._pending_lock:
                self._pending.pop(request_id, None)

    def _write(self, data):
        with self._send_lock:
            try:
                self._socket.sendall(data)
            except OSError as error:
                raise UiPortError(f'the host connection is gone: {error}') from error

    def _read_exact(self, count):
        data = bytearray()
        while len(data) < count:
            chunk = self._socket.recv(count - len(data))
            if not chunk:
                raise EOFError
            data += chunk
        return bytes(data)

    def _read_frames(self):
        try:
            while True:
                (length,) = struct.unpack('<I', self._read_exact(4))
                body = self._read_exact(length)
                self._dispatch(body[0], body[1:])
        except (EOFError, OSError):
            self._fail_all(self.closed_reason or 'the host closed the connection')
        except Exception as error:  # a frame we cannot read: nothing after it can be trusted
            self._fail_all(f'unreadable frame from the host: {error!r}')

    def _dispatch(self, kind, payload):
        if kind == HELLO:
            self._hello.put((kind, payload))
        elif kind == MESSAGE_RESPONSE:
            request_id, outcome = struct.unpack('<IB', payload[:5])
            self._answer(request_id, Response(outcome, payload[5:]))
        elif kind == HOST_MESSAGE:
            message_id, engine, wants_reply, length = struct.unpack('<QQBI', payload[:21])
            channel = payload[21:21 + length].decode('utf-8', 'surrogateescape')
            self._host_messages.put(HostMessage(message_id, engine, bool(wants_reply), channel,
                                                payload[21 + length:]))
        elif kind == STATE_REPLY:
            self._answer(struct.unpack('<I', payload[:4])[0], payload[4:])
        elif kind == ACTION_RESULT:
            request_id, done = struct.unpack('<IB', payload[:5])
            self._answer(request_id, bool(done))
        elif kind == PROTOCOL_ERROR:
            self.closed_reason = 'protocol error from the host: ' + payload.decode('utf-8', 'replace')
        else:
            raise ValueError(f'unknown frame type {kind:#x}')

    def _answer(self, request_id, result):
        with self._pending_lock:
            waiting = self._pending.get(request_id)
        if waiting is not None:
            try:
                waiting.put_nowait(result)
            except queue.Full:
                pass

    def _fail_all(self, reason):
        self.closed_reason = reason
        self._hello.put((None, b''))
        with self._pending_lock:
            waiting = list(self._pending.values())
        for answer in waiting:
            try:
                answer.put_nowait(UiPortError(reason))
            except queue.Full:
                pass
