"""Native soak: the system audio channels over a ramp device paced in real
time, every chunk carried through the stand-in engine's UI port to this
peer, which checks that the ramp never breaks.

    audio_soak.py HOST_PROGRAM DURATION_SECONDS
"""

import re
import struct
import subprocess
import sys
import tempfile
import time

import soak_common as soak
import kestro_codec as codec
from ui_port import UiPort, UiPortError

ENGINE = 1
AUDIO = 'kestro/system_audio'
AUDIO_EVENTS = 'kestro/system_audio_events'
CHUNK_MS = 80  # the shortest chunk: the most events
RAMP_PERIOD = 4096  # the ramp device's samples: 0, 1, ..., 4095, 0, ...
PORT_LINE = re.compile(rb'KESTRO_UI_PORT=(\d+)')


class RampCheck:
    """Counts samples and the ones missing from the ramp."""

    def __init__(self):
        self.received = 0
        self.lost = 0
        self.previous = None

    def add(self, chunk):
        samples = struct.unpack(f'<{len(chunk) // 2}h', chunk)
        for sample in samples:
            if self.previous is not None:
                self.lost += (sample - self.previous - 1) % RAMP_PERIOD
            self.previous = sample
        self.received += len(samples)


def wait_for_port(stderr_path, process, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = PORT_LINE.search(stderr_path.read_bytes())
        if found:
            return int(found.group(1))
        if process.poll() is not None:
            break
        time.sleep(0.05)
    raise RuntimeError(f'no UI port line from the host: {stderr_path.read_bytes()!r}')


def main():
    host, duration = sys.argv[1], float(sys.argv[2])
    failures = []
    with tempfile.NamedTemporaryFile(prefix='audio-soak-', suffix='.stderr') as stderr_file:
        process = subprocess.Popen([host], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                   stderr=stderr_file)
        try:
            port = UiPort(wait_for_port(soak.Path(stderr_file.name), process))
            check = RampCheck()
            events = 0
            assert port.send(ENGINE, AUDIO_EVENTS, codec.listen_call()).reply() == codec.Success(None)
            assert port.call(ENGINE, AUDIO, 'start', {'chunk_ms': CHUNK_MS}) == codec.Success(True)
            clock = soak.Clock(duration)
            rss_start = None
            while (left := clock.left()) > 0:
                if rss_start is None and clock.elapsed() >= soak.warm_up_seconds(duration):
                    rss_start = soak.resident_kib(process.pid)
                try:
                    message = port.next_host_message(timeout=min(left, 1.0))
                except UiPortError:
                    if port.closed_reason:
                        failures.append(f'the UI port closed: {port.closed_reason}')
                        break
                    continue
                if message.channel != AUDIO_EVENTS:
                    continue
                event = codec.decode_reply(message.data)
                events += 1
                check.add(event.result)
            rss_end = soak.resident_kib(process.pid)
            elapsed = clock.elapsed()
            assert port.call(ENGINE, AUDIO, 'stop') == codec.Success(None)
            port.close()
        finally:
            process.stdin.close()
            exit_code = process.wait(timeout=30)
        # The port's own lines on this peer coming and going are expected.
        errors = [line for line in soak.Path(stderr_file.name).read_text(errors='replace').splitlines()
                  if not line.startswith('standin: UI port listening') and not line.endswith('connection closed')]
    # The device runs from the "start" answer on; what the peer has not
    # received by now is at most a chunk in the making and one in flight.
    expected = elapsed * 16000
    if check.received < expected - 3 * CHUNK_MS * 16:
        failures.append(f'{check.received} samples received, {expected:.0f} played by the clock')
    if check.lost:
        failures.append(f'{check.lost} samples lost')
    if exit_code != 0:
        failures.append(f'the host exited with {exit_code}')
    if errors:
        failures.append(f'the host wrote: {errors[:5]}')
    return soak.report('native audio', [
        ('duration', f'{elapsed:.0f} s'),
        ('events received', events),
        ('samples received', check.received),
        ('samples lost', check.lost),
    ], failures, rss_start or rss_end, rss_end)


if __name__ == '__main__':
    sys.exit(main())
