"""Windows the multi-window plug-in opens in kestro.exe under Wine 8: the
stand-in plug-in builds each controller from its own copy of the client
library and hands it to the host, which readies the new engine.

Wine's SetWindowDisplayAffinity always fails, so capture protection on a
secondary window can only be seen answering on that window's engine, whose
view sits in a top-level window of its own; that each registration acts on
the window it was given is checked by the native window-service tests, as
is the single foreground hook, which the UI cannot see. The paste, which
minimises the window holding the view, shows the binding here.
"""

import pytest

import kestro_codec as codec
from helpers.programs import Notepad
from helpers.shown_kestro import own_kestro, start as start_kestro  # noqa: F401 (own_kestro: a fixture)
from kestro_app import MAIN_ENGINE
from test_host_channels import AUDIO, AUDIO_EVENTS, PLUGINS
from ui_port import NO_HANDLER

MULTI_WINDOW = 'standin/DesktopMultiWindowPlugin'
PROTECTION = 'kestro/capture_protection'
INSERTION = 'kestro/text_insertion'


def open_window(app, with_view=True):
    """Asks the plug-in for a window; (the new engine's id, the window number)."""
    known = {int(engine['id']) for engine in app.port.state()['engines']}
    reply = app.port.call(MAIN_ENGINE, MULTI_WINDOW, 'create_window', {'with_view': with_view})
    assert isinstance(reply, codec.Success), reply
    new = [int(engine['id']) for engine in app.port.state()['engines'] if int(engine['id']) not in known]
    assert len(new) == 1, new
    engine = app.engine(new[0])
    assert int(engine['view_window']) == int(reply.result['view_window'])
    return new[0], int(reply.result['window'])


@pytest.fixture(scope='module')
def kestro_with_window(testbed, dist):
    """A kestro.exe with one secondary window; (app, its engine id)."""
    app = start_kestro(testbed)
    try:
        engine_id, _ = open_window(app)
        yield app, engine_id
    finally:
        app.stop()


class TestWindowWithView:
    def test_has_its_own_running_engine_and_window(self, kestro_with_window):
        app, engine_id = kestro_with_window
        engine = app.engine(engine_id)
        assert engine_id != MAIN_ENGINE and engine['alive'] and engine['running']
        assert engine['window']['title'] == 'kestro secondary window'
        assert int(engine['window']['handle']) != int(app.window()['handle'])

    def test_ten_plugins_registered_once_in_order(self, kestro_with_window):
        app, engine_id = kestro_with_window
        assert app.engine(engine_id)['registrars'] == list(PLUGINS)
        for name in PLUGINS:
            assert app.port.call(engine_id, f'standin/{name}', 'ping') == codec.Success(name)

    def test_capture_protection_answers_on_its_engine(self, kestro_with_window):
        app, engine_id = kestro_with_window
        assert PROTECTION in app.engine(engine_id)['channels']
        assert app.port.call(engine_id, PROTECTION, 'set_exclude_from_capture', True) == codec.Success(False)
        assert app.port.call(engine_id, PROTECTION, 'get_exclude_from_capture') == codec.Success(False)

    def test_no_system_audio_channels(self, kestro_with_window):
        app, engine_id = kestro_with_window
        assert not {AUDIO, AUDIO_EVENTS} & set(app.engine(engine_id)['channels'])
        assert app.port.send(engine_id, AUDIO, codec.encode_call('is_supported')).outcome == NO_HANDLER
        assert app.port.send(engine_id, AUDIO_EVENTS, codec.listen_call()).outcome == NO_HANDLER

    def test_main_engine_keeps_its_own_registrations(self, kestro_with_window):
        app, _ = kestro_with_window
        assert app.engine()['registrars'] == list(PLUGINS)
        assert {AUDIO, PROTECTION, INSERTION} <= set(app.engine()['channels'])


def test_paste_minimises_the_secondary_window_only(own_kestro, testbed):
    engine_id, _ = open_window(own_kestro)
    notepad = Notepad(testbed)
    try:
        assert notepad.bring_to_front()
        assert own_kestro.port.call(engine_id, INSERTION, 'paste_text', {'text': 'secondary'}) == codec.Success(True)
        assert notepad.wait_for_text('secondary') == 'secondary'
    finally:
        notepad.end()
    assert own_kestro.window(engine_id)['show_state'] == 'minimised'
    assert own_kestro.window()['show_state'] == 'normal'


def test_controller_without_view_gets_plugins_and_no_native_channels(own_kestro):
    """The engine library refuses the view and shuts that engine down, so the
    host's ten registrar requests reach a gone engine and are refused: they
    are counted, and nothing is installed."""
    refused_before = own_kestro.port.state()['invalid_handles']
    engine_id, _ = open_window(own_kestro, with_view=False)
    engine = own_kestro.engine(engine_id)
    assert int(engine['view_window']) == 0 and engine['view'] is None
    assert not {PROTECTION, INSERTION} & set(engine['channels'])
    assert own_kestro.port.state()['invalid_handles'] - refused_before == len(PLUGINS)
    assert own_kestro.port.call(MAIN_ENGINE, MULTI_WINDOW, 'ping') == codec.Success('DesktopMultiWindowPlugin')


def test_closing_a_window_ends_its_engine_only(own_kestro):
    engine_id, number = open_window(own_kestro)
    assert own_kestro.port.call(MAIN_ENGINE, MULTI_WINDOW, 'close_window', number) == codec.Success(True)
    assert not own_kestro.engine(engine_id)['alive']
    assert own_kestro.engine()['alive']
    assert own_kestro.port.call(MAIN_ENGINE, MULTI_WINDOW, 'close_window', number) == codec.Success(False)


def test_null_controller_is_ignored(kestro_with_window):
    app, _ = kestro_with_window
    before = app.port.state()
    assert app.port.call(MAIN_ENGINE, MULTI_WINDOW, 'announce_null_window') == codec.Success(True)
    after = app.port.state()
    assert len(after['engines']) == len(before['engines'])
    assert after['invalid_handles'] == before['invalid_handles']
    assert app.port.call(MAIN_ENGINE, MULTI_WINDOW, 'ping') == codec.Success('DesktopMultiWindowPlugin')
