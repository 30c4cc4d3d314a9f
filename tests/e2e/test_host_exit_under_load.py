"""kestro.exe exits 0 when its window is closed while other UI peers are
still busy: three peers keep querying state and calling a method while a
fourth closes the window. The UI port's threads must be stopped before the
process ends; one killed mid-call, holding a lock, hangs the exit.

KESTRO_E2E_EXIT_RUNS sets the number of runs (default 10).
"""

import os
import subprocess
import threading

import kestro_codec as codec
from kestro_app import MAIN_ENGINE, KestroApp
from ui_port import UiPort, UiPortError

RUNS = int(os.environ.get('KESTRO_E2E_EXIT_RUNS', '10'))
BUSY_PEERS = 3


def keep_busy(port, stop):
    """State and a method call, over and over, until the host goes."""
    try:
        while not stop.is_set():
            port.state()
            port.call(MAIN_ENGINE, 'standin/WindowManagerPlugin', 'ping')
    except UiPortError:
        pass  # the host went away mid-request: expected at the end


def close_while_busy(testbed):
    app = KestroApp(testbed)
    stop = threading.Event()
    peers, threads = [], []
    try:
        app.connect()
        app.wait_until(lambda engine: engine['window'] is not None and engine['window']['visible'],
                       'the window shown')
        peers = [UiPort(app.port.port_number) for _ in range(BUSY_PEERS)]
        threads = [threading.Thread(target=keep_busy, args=(peer, stop), daemon=True) for peer in peers]
        for thread in threads:
            thread.start()
        # Every busy peer has had an answer before the window closes.
        for peer in peers:
            assert peer.call(MAIN_ENGINE, 'standin/WindowManagerPlugin', 'ping') == codec.Success(
                'WindowManagerPlugin')
        assert app.port.close_window(MAIN_ENGINE)
        try:
            return app.wait(30)
        except subprocess.TimeoutExpired:
            return 'still running 30 s after the window closed'
    finally:
        stop.set()
        app.kill()
        for peer in peers:
            peer.close()
        for thread in threads:
            thread.join(10)


def test_closing_the_window_while_peers_are_busy_exits_0(testbed, dist):
    outcomes = [close_while_busy(testbed) for _ in range(RUNS)]
    failed = [(run, outcome) for run, outcome in enumerate(outcomes) if outcome != 0]
    assert not failed, f'{len(failed)} of {RUNS} runs did not exit 0: {failed}'
