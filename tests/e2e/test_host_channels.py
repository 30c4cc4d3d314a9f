"""What the UI finds on the main engine of kestro.exe: the ten plug-ins,
registered once each in their fixed order and answering on their channels,
the system audio channels, and the command line as entrypoint arguments.
"""

import pytest

import kestro_codec as codec
from kestro_app import MAIN_ENGINE
from plugin_table import REGISTRAR_NAMES

PLUGINS = REGISTRAR_NAMES
AUDIO = 'kestro/system_audio'
AUDIO_EVENTS = 'kestro/system_audio_events'


def test_one_engine_runs_the_window(kestro):
    engines = kestro.port.state()['engines']
    assert [(int(engine['id']), engine['alive'], engine['running']) for engine in engines] == [(1, True, True)]


class TestPlugins:
    def test_each_registered_once_in_table_order(self, kestro):
        assert kestro.engine()['registrars'] == list(PLUGINS)

    @pytest.mark.parametrize('name', PLUGINS)
    def test_channel_answers(self, kestro, name):
        assert kestro.port.call(MAIN_ENGINE, f'standin/{name}', 'ping') == codec.Success(name)


class TestSystemAudioChannels:
    def test_both_installed(self, kestro):
        assert {AUDIO, AUDIO_EVENTS} <= set(kestro.engine()['channels'])

    def test_capture_is_supported(self, kestro):
        assert kestro.port.call(MAIN_ENGINE, AUDIO, 'is_supported') == codec.Success(True)
        assert kestro.port.call(MAIN_ENGINE, AUDIO, 'is_supported', {'any': 'arguments'}) == codec.Success(True)

    def test_listen_and_cancel_succeed(self, kestro):
        events = kestro.port.send(MAIN_ENGINE, AUDIO_EVENTS, codec.listen_call())
        assert events.reply() == codec.Success(None)
        events = kestro.port.send(MAIN_ENGINE, AUDIO_EVENTS, codec.cancel_call())
        assert events.reply() == codec.Success(None)

    def test_stop_without_capture_succeeds_without_a_value(self, kestro):
        assert kestro.port.call(MAIN_ENGINE, AUDIO, 'stop') == codec.Success(None)

    def test_other_methods_are_not_implemented(self, kestro):
        for method in ('IS_SUPPORTED', 'is_supported ', 'pause'):
            assert kestro.port.call(MAIN_ENGINE, AUDIO, method, {'chunk_ms': 100}) == codec.Empty()


def test_command_line_reaches_the_engine_after_the_program_path(kestro):
    engine = kestro.engine()
    arguments = engine.get('entrypoint_arguments', (engine.get('properties') or {}).get('entrypoint_arguments'))
    if arguments is None:
        pytest.skip('the stand-in engine does not report its entrypoint arguments over the UI port')
    assert arguments == kestro.args
