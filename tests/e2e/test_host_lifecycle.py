"""How kestro.exe starts and ends: closing the window shuts the engine down
and exits 0; a view controller that cannot be made exits 1 with its
message; a missing plug-in library keeps the program from starting.
"""

import os
import shutil

import pytest

from kestro_app import MAIN_ENGINE, KestroApp

ENGINE_GONE_LINE = 'standin: send on a messenger whose engine is gone'


def test_closing_the_window_shuts_the_engine_down_and_exits_0(testbed, dist):
    app = KestroApp(testbed)
    try:
        app.connect()
        engine = app.wait_until(lambda engine: engine['window'] is not None and engine['window']['visible'],
                                'the window shown')
        assert engine['alive'] and engine['running']
        # Closing while other peers are busy: test_host_exit_under_load.py.
        assert app.port.close_window(MAIN_ENGINE)
        assert app.wait(20) == 0
    finally:
        app.kill()
    # An engine outliving its window would have its channels sending into
    # a messenger whose engine is gone.
    assert not [line for line in app.stderr_lines if ENGINE_GONE_LINE in line]


@pytest.mark.parametrize('failure', ['view_controller', 'engine'])
def test_failed_view_controller_exits_1_without_registering_plugins(testbed, dist, failure):
    app = KestroApp(testbed, env={'KESTRO_STANDIN_FAIL': failure})
    try:
        assert app.wait(30) == 1
    finally:
        app.kill()
    lines = app.stderr_lines
    assert 'Failed to create view controller.' in lines
    # A registrar or messenger asked of the engine that was never made or
    # was shut down would be refused with a line naming the function.
    assert not [line for line in lines if 'PluginRegistrar' in line or 'Messenger' in line]


def test_missing_plugin_library_keeps_the_program_from_starting(testbed, dist):
    copy = testbed.dir / 'dist-without-tray-manager'
    shutil.rmtree(copy, ignore_errors=True)
    try:
        shutil.copytree(dist, copy, copy_function=os.link)
        (copy / 'tray_manager_plugin.dll').unlink()
        app = KestroApp(testbed, dist=copy)
        try:
            assert app.wait(30) == 53
        finally:
            app.kill()
        assert app.stderr_lines == []
    finally:
        shutil.rmtree(copy, ignore_errors=True)
