"""kestro.exe started, connected as the UI and shown, for the service tests."""


import pytest

from kestro_app import KestroApp


def start(testbed, dist=None, env=None):
    """A KestroApp (of `dist`, by default the build's, with `env` added to
    its environment) with its window shown; the caller stops it."""
    app = KestroApp(testbed, dist=dist, env=env)
    try:
        app.connect()
        app.wait_until(lambda engine: engine['window'] is not None and engine['window']['visible'],
                       'the window shown', timeout=30)
    except BaseException:
        app.stop()
        raise
    return app


def running(testbed):
    app = start(testbed)
    try:
        yield app
    finally:
        app.stop()


@pytest.fixture(scope='module')
def shown_kestro(testbed, dist):
    """One kestro.exe per module, for the calls that leave it as they found it."""
    yield from running(testbed)


@pytest.fixture
def own_kestro(testbed, dist):
    """A kestro.exe of the test's own, for calls that change it (a paste
    leaves its window minimised)."""
    yield from running(testbed)
