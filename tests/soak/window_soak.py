"""Soak of kestro.exe on the Wine test bed: a UI peer makes channel calls
and opens and closes secondary windows for the whole duration, while the
resident memory of the kestro.exe process is read from /proc.

    window_soak.py DURATION_SECONDS    (the bed up: scripts/testbed/up.sh)
"""

import sys
import time

import soak_common as soak
import kestro_codec as codec
import testbed as bed
from helpers.shown_kestro import start as start_kestro
from kestro_app import MAIN_ENGINE

MULTI_WINDOW = 'standin/DesktopMultiWindowPlugin'
PROTECTION = 'kestro/capture_protection'
AUDIO = 'kestro/system_audio'
# A round starts every this many seconds: a busy user's pace, and a modest
# load on the machine. kestro.exe grows by some 9 to 12 KiB per window
# opened and closed (calls alone leave it flat). About 1.5 KiB of that is the
# stand-in engine's record of each engine, kept until reset to recognise
# stale handles; the rest is not accounted for yet.
ROUND_SECONDS = 2.0


class Peer:
    """The UI's side: counts what it did and what went wrong."""

    def __init__(self, app):
        self.app = app
        self.calls = 0
        self.opened = 0
        self.closed = 0
        self.failures = []

    def call(self, engine, channel, method, arguments=None, expected=None):
        reply = self.app.port.call(engine, channel, method, arguments)
        self.calls += 1
        if expected is not None and reply != expected:
            self.failures.append(f'{channel} {method} on engine {engine}: {reply}')
        return reply

    def open_window(self):
        """The new window's engine (its state) and number."""
        engines = len(self.app.port.state()['engines'])
        reply = self.call(MAIN_ENGINE, MULTI_WINDOW, 'create_window', {'with_view': True})
        new = self.app.port.state()['engines'][engines:]
        if not isinstance(reply, codec.Success) or len(new) != 1:
            self.failures.append(f'create_window: {reply}, new engines {new}')
            return None, None
        self.opened += 1
        return new[0], int(reply.result['window'])

    def round(self):
        """One window opened, used and closed, and calls on the main window."""
        state, number = self.open_window()
        if state is not None:
            engine = int(state['id'])
            for plugin in state['registrars']:
                self.call(engine, f'standin/{plugin}', 'ping', expected=codec.Success(plugin))
            self.call(engine, PROTECTION, 'get_exclude_from_capture', expected=codec.Success(False))
            self.call(MAIN_ENGINE, MULTI_WINDOW, 'close_window', number, expected=codec.Success(True))
            if self.app.engine(engine)['alive']:
                self.failures.append(f'engine {engine} still alive after its window closed')
            else:
                self.closed += 1
        self.call(MAIN_ENGINE, AUDIO, 'is_supported', expected=codec.Success(True))
        self.call(MAIN_ENGINE, PROTECTION, 'get_exclude_from_capture', expected=codec.Success(False))


def kestro_pid(app):
    """The process that runs kestro.exe: the one `wine` was started as."""
    command = soak.Path(f'/proc/{app.process.pid}/cmdline').read_bytes().split(b'\0')
    if not any(part.endswith(b'kestro.exe') for part in command):
        raise RuntimeError(f'process {app.process.pid} runs {command}, not kestro.exe')
    return app.process.pid


def main():
    duration = float(sys.argv[1])
    app = start_kestro(bed.Testbed(bed.load_environment()))
    failures = []
    try:
        pid = kestro_pid(app)
        peer = Peer(app)
        clock = soak.Clock(duration)
        rss_start = None
        while clock.left() > 0 and len(peer.failures) < 10:
            if rss_start is None and clock.elapsed() >= soak.warm_up_seconds(duration):
                rss_start = soak.resident_kib(pid)
            round_start = time.monotonic()
            peer.round()
            time.sleep(max(0.0, min(clock.left(), ROUND_SECONDS - (time.monotonic() - round_start))))
        rss_end = soak.resident_kib(pid)
        elapsed = clock.elapsed()
        failures += peer.failures
    finally:
        exit_code = app.stop()
    if exit_code != 0:
        failures.append(f'kestro.exe exited with {exit_code}')
    return soak.report('kestro.exe window', [
        ('duration', f'{elapsed:.0f} s'),
        ('calls made', peer.calls),
        ('windows opened', peer.opened),
        ('windows closed', peer.closed),
    ], failures, rss_start or rss_end, rss_end)


if __name__ == '__main__':
    sys.exit(main())
