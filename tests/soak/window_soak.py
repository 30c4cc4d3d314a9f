"""Soak of kestro.exe on the Wine test bed: a UI peer makes channel calls
and opens and closes secondary windows for the whole duration, while the
resident memory of the kestro.exe process is read from /proc. Alongside,
bare_windows.exe opens and closes a window of the same kind each round, to
show what a window costs Wine itself.

    window_soak.py DURATION_SECONDS BARE_WINDOWS_EXE    (the bed up: scripts/testbed/up.sh)
"""

import subprocess
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
# load on the machine. Each window opened and closed leaves the stand-in
# engine's small record of its engine (about 2.5 KiB, kept to recognise
# stale handles); kestro.exe grew by about 6 KiB per window over a
# 10-minute run (+4.1%), and bare_windows.exe by nothing.
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


def windows_pid(process, program):
    """The process that runs `program`: the one `wine` was started as."""
    command = soak.Path(f'/proc/{process.pid}/cmdline').read_bytes().split(b'\0')
    if not any(part.endswith(program.encode()) for part in command):
        raise RuntimeError(f'process {process.pid} runs {command}, not {program}')
    return process.pid


class BareWindows:
    """bare_windows.exe: one window opened, painted and closed per round."""

    def __init__(self, testbed, exe):
        self.process = subprocess.Popen(['wine', str(exe)], env=testbed.env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.windows = 0

    def round(self):
        self.process.stdin.write('window\n')
        self.process.stdin.flush()
        answer = self.process.stdout.readline().strip()
        if answer != 'closed':
            raise RuntimeError(f'bare_windows.exe answered {answer!r}')
        self.windows += 1

    def stop(self):
        self.process.stdin.close()
        return self.process.wait(30)


def per_window(rss_start, rss_end, windows):
    return f'{(rss_end - rss_start) / max(windows, 1):+.2f} KiB'


def main():
    duration = float(sys.argv[1])
    testbed = bed.Testbed(bed.load_environment())
    app = start_kestro(testbed)
    bare = BareWindows(testbed, sys.argv[2])
    failures = []
    try:
        pid = windows_pid(app.process, 'kestro.exe')
        bare_pid = windows_pid(bare.process, 'bare_windows.exe')
        peer = Peer(app)
        clock = soak.Clock(duration)
        rss_start = None
        while clock.left() > 0 and len(peer.failures) < 10:
            if rss_start is None and clock.elapsed() >= soak.warm_up_seconds(duration):
                rss_start, bare_start, windows_start = soak.resident_kib(pid), soak.resident_kib(bare_pid), peer.closed
            round_start = time.monotonic()
            peer.round()
            bare.round()
            time.sleep(max(0.0, min(clock.left(), ROUND_SECONDS - (time.monotonic() - round_start))))
        rss_end, bare_end = soak.resident_kib(pid), soak.resident_kib(bare_pid)
        if rss_start is None:
            rss_start, bare_start, windows_start = rss_end, bare_end, peer.closed
        elapsed = clock.elapsed()
        failures += peer.failures
    finally:
        exit_code = app.stop()
        bare_exit_code = bare.stop()
    if exit_code != 0:
        failures.append(f'kestro.exe exited with {exit_code}')
    if bare_exit_code != 0:
        failures.append(f'bare_windows.exe exited with {bare_exit_code}')
    measured = peer.closed - windows_start
    return soak.report('kestro.exe window', [
        ('duration', f'{elapsed:.0f} s'),
        ('calls made', peer.calls),
        ('windows opened', peer.opened),
        ('windows closed', peer.closed),
        ('kestro.exe growth per window', per_window(rss_start, rss_end, measured)),
        ('bare Wine program', f'{bare_start} -> {bare_end} KiB over {bare.windows} windows, '
                              f'{per_window(bare_start, bare_end, measured)} per window'),
    ], failures, rss_start, rss_end)


if __name__ == '__main__':
    sys.exit(main())
