"""kestro.exe started, connected as the UI and shown, for the service tests.

The UI port opens before the engine exists, so the state is polled until
the main engine is there before anything is asked about it.
"""

import time

import pytest

from kestro_app import MAIN_ENGINE, KestroApp


def wait_for_main_engine(app, timeout=30):
    deadline = time.monotonic() + timeout
    while not any(int(engine['id']) == MAIN_ENGINE for engine in app.port.state()['engines']):
        if time.monotonic() > deadline:
            raise AssertionError(f'no main engine after {timeout} s')
        time.sleep(0.05)


def start(testbed):
    """A KestroApp with its window shown; the caller stops it."""
    app = KestroApp(testbed)
    try:
        app.connect()
        wait_for_main_engine(app)
        app.wait_until(lambda engine: engine['window'] is not None and engine['window']['visible'],
                       'the window shown', timeout=30)
    except BaseException:
        app.stop()
        raise
    return app


@pytest.fixture(scope='module')
def shown_kestro(testbed, dist):
    """One kestro.exe per module, for the calls that leave it as they found it."""
    app = start(testbed)
    try:
        yield app
    finally:
        app.stop()
