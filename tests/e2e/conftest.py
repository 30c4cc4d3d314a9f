"""End-to-end tests: the UI peer's codec, and programs run on the Wine test bed.

Run them with Debian's interpreter, which has pytest (the python3 first on
PATH may be another one without it):

    tests/e2e/run.sh [pytest arguments]      # = /usr/bin/python3 -m pytest tests/e2e

Tests that need the Wine test bed skip when it is not up; bring it up first
with scripts/testbed/up.sh (and down with scripts/testbed/down.sh). With
KESTRO_E2E_REQUIRE_BED=1 a missing bed fails those tests instead.

The kestro.exe tests (test_host_*.py) run the Windows build's dist folder,
build/windows/dist or $KESTRO_DIST_DIR, and talk to it through the
stand-in engine's UI port (ui_port.py, kestro_app.py).

The codec cross-check runs the C++ codec through kestro-wire: $KESTRO_WIRE,
or the first of build/testbed-native, build/native that has it built.
"""

import os
import subprocess

import pytest

import kestro_app
import testbed as bed


@pytest.fixture(scope='session')
def testbed():
    try:
        return bed.Testbed(bed.load_environment())
    except bed.TestbedUnavailable as missing:
        if os.environ.get('KESTRO_E2E_REQUIRE_BED') == '1':
            pytest.fail(str(missing))
        pytest.skip(str(missing))


@pytest.fixture(scope='session')
def smoke_exe(testbed):
    """tests/windows/smoke/smoke.c, cross-built once per session."""
    source = bed.REPO / 'tests' / 'windows' / 'smoke' / 'smoke.c'
    exe = testbed.dir / 'smoke' / 'smoke.exe'
    exe.parent.mkdir(exist_ok=True)
    subprocess.run(['x86_64-w64-mingw32-gcc-posix', '-std=c11', '-O2', '-Wall', '-Wextra', '-Wpedantic',
                    '-Werror', '-municode', '-mwindows', '-static-libgcc', '-o', str(exe), str(source)],
                   check=True)
    return exe


@pytest.fixture(scope='session')
def dist():
    """The Windows build's dist folder; the tests fail when it was not built."""
    folder = kestro_app.dist_dir()
    if not (folder / 'kestro.exe').is_file():
        pytest.fail(f'{folder / "kestro.exe"} is missing: cmake --preset windows && cmake --build build/windows')
    return folder


# Arguments the shared kestro.exe is started with: an empty one and
# non-ASCII ones among them, to see them arrive in order.
SHARED_ARGUMENTS = ('--first', '', 'two words', 'h\u00e9llo w\u00f6rld \u2713', 'last')


@pytest.fixture(scope='module')
def kestro(testbed, dist):
    """One kestro.exe per module, for the checks that leave it as they found
    it. It goes with its module, so that its window does not stay on the
    display for later tests.

    Frames are held, so `before_first_frame` is the window's state once the
    host window had finished creating, before the peer rendered the first
    frame; the fixture then renders it and waits for the window to show.
    """
    app = kestro_app.KestroApp(testbed, SHARED_ARGUMENTS, env={'KESTRO_STANDIN_HOLD_FRAMES': '1'})
    try:
        app.connect()
        app.before_first_frame = app.wait_until(lambda engine: engine['window'] is not None,
                                                'the view in the top-level window')
        assert app.port.render_frame(kestro_app.MAIN_ENGINE)
        app.wait_until(lambda engine: engine['window']['visible'], 'the window shown after the first frame')
        yield app
    finally:
        app.stop()
