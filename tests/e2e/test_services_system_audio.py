"""System audio in the real kestro.exe under Wine 8's own render loopback
(the bed's loopback shim steps aside for this module's kestro.exe).

Wine's render loopback refuses the capture client, so a started capture
fails inside the engine and stays started until "stop": the UI sees "start"
answered true, then no event at all, and "stop" and a new "start" work.
Standard error names the refused call and its code, and "get_status" gives
both to the UI. What chunks carry with the shim in place is in
test_services_system_audio_chunks.py.
"""

import time

import pytest

import kestro_codec as codec
from helpers.shown_kestro import start as start_kestro
from kestro_app import MAIN_ENGINE
from system_audio import AUDIO, AUDIO_EVENTS, cancel, events_within, listen
NO_STREAM = codec.Error('error', 'No active stream to cancel')
# AUDCLNT_E_WRONG_ENDPOINT_TYPE: the line names the call and its code.
COUNTS = ('chunks_emitted', 'chunks_dropped', 'silence_ms', 'device_switches')
GET_SERVICE_FAILED = 'Error: IAudioClient::GetService failed: 0x88890003'


@pytest.fixture(scope='module')
def shown_kestro(testbed, dist):
    """One kestro.exe for the module, with Wine's own render loopback."""
    app = start_kestro(testbed, env={'KESTRO_TESTBED_WINE_LOOPBACK': '1'})
    try:
        yield app
    finally:
        app.stop()


@pytest.fixture
def listening(shown_kestro):
    """A listener on the events channel, cancelled and capture stopped afterwards."""
    assert listen(shown_kestro.port) == codec.Success(None)
    try:
        yield shown_kestro.port
    finally:
        shown_kestro.port.call(MAIN_ENGINE, AUDIO, 'stop')
        cancel(shown_kestro.port)


def test_supported(shown_kestro):
    assert shown_kestro.port.call(MAIN_ENGINE, AUDIO, 'is_supported') == codec.Success(True)


class TestCaptureOnWine:
    def test_start_answers_true_and_no_event_arrives(self, listening):
        assert listening.call(MAIN_ENGINE, AUDIO, 'start', {'chunk_ms': 100}) == codec.Success(True)
        assert events_within(listening, 2.0) == []

    def test_stop_then_start_again(self, listening):
        assert listening.call(MAIN_ENGINE, AUDIO, 'start', {'chunk_ms': 80}) == codec.Success(True)
        events_within(listening, 1.0)
        assert listening.call(MAIN_ENGINE, AUDIO, 'stop') == codec.Success(None)
        assert listening.call(MAIN_ENGINE, AUDIO, 'start') == codec.Success(True)
        assert events_within(listening, 1.0) == []
        assert listening.call(MAIN_ENGINE, AUDIO, 'stop') == codec.Success(None)

    def test_the_refused_capture_client_leaves_a_line_with_its_code(self, shown_kestro, listening):
        before = shown_kestro.count_stderr_lines(GET_SERVICE_FAILED)
        assert listening.call(MAIN_ENGINE, AUDIO, 'start') == codec.Success(True)
        assert shown_kestro.wait_for_stderr_line(GET_SERVICE_FAILED, before + 1), shown_kestro.stderr_lines

    def test_second_start_while_started_answers_true(self, listening):
        assert listening.call(MAIN_ENGINE, AUDIO, 'start') == codec.Success(True)
        assert listening.call(MAIN_ENGINE, AUDIO, 'start', {'chunk_ms': 2000}) == codec.Success(True)


def status_when(port, predicate, seconds=5.0):
    """The "get_status" answer once `predicate` holds for it, or the last one."""
    deadline = time.monotonic() + seconds
    while True:
        answer = port.call(MAIN_ENGINE, AUDIO, 'get_status')
        if predicate(answer.result) or time.monotonic() > deadline:
            return answer
        time.sleep(0.05)


class TestStatusOnWine:
    def test_before_start_nothing_is_known(self, shown_kestro):
        port = shown_kestro.port
        assert port.call(MAIN_ENGINE, AUDIO, 'stop') == codec.Success(None)
        status = port.call(MAIN_ENGINE, AUDIO, 'get_status').result
        assert status['state'] == 'stopped'
        assert set(status) == {'state', 'error', 'hresult', 'device', 'format', 'chunks_emitted',
                               'chunks_dropped', 'silence_ms', 'device_switches'}
        assert all(isinstance(status[count], codec.Int64) for count in COUNTS)

    @pytest.mark.parametrize('options', [{}, {'keep_alive': True, 'follow_default_device': True}])
    def test_the_refused_capture_client_shows_as_failed_with_its_code(self, listening, options):
        # Following the default device re-opens a lost device, not one that
        # never opened.
        arguments = {'chunk_ms': 100, **options}
        assert listening.call(MAIN_ENGINE, AUDIO, 'start', arguments) == codec.Success(True)
        answer = status_when(listening, lambda status: status['state'] == 'failed')
        status = answer.result
        assert status['state'] == 'failed', status
        assert status['error'] == 'WASAPI: GetService(IAudioCaptureClient) failed'
        # AUDCLNT_E_WRONG_ENDPOINT_TYPE, as the unsigned value of its code.
        assert status['hresult'] == codec.Int64(0x88890003)
        assert isinstance(status['device'], str) and status['device']
        assert set(status['format']) == {'sample_rate', 'channels', 'float'}
        assert [status[count] for count in COUNTS] == [codec.Int64(0)] * 4
        # A start while failed changes nothing.
        assert listening.call(MAIN_ENGINE, AUDIO, 'start', {'keep_alive': True}) == codec.Success(True)
        assert listening.call(MAIN_ENGINE, AUDIO, 'get_status').result['state'] == 'failed'

        assert listening.call(MAIN_ENGINE, AUDIO, 'stop') == codec.Success(None)
        stopped = listening.call(MAIN_ENGINE, AUDIO, 'get_status').result
        assert stopped['state'] == 'stopped'
        assert stopped['error'] == status['error'] and stopped['hresult'] == status['hresult']


class TestEventStreamProtocol:
    def test_cancel_without_listen_is_an_error(self, shown_kestro):
        assert cancel(shown_kestro.port) == NO_STREAM

    def test_listen_twice_then_cancel_once(self, shown_kestro):
        assert listen(shown_kestro.port) == codec.Success(None)
        assert listen(shown_kestro.port) == codec.Success(None)
        assert cancel(shown_kestro.port) == codec.Success(None)
        assert cancel(shown_kestro.port) == NO_STREAM

    def test_cancel_leaves_capture_running_until_stop(self, shown_kestro):
        port = shown_kestro.port
        assert listen(port) == codec.Success(None)
        try:
            assert port.call(MAIN_ENGINE, AUDIO, 'start') == codec.Success(True)
            assert cancel(port) == codec.Success(None)
            assert events_within(port, 0.5) == []
        finally:
            assert port.call(MAIN_ENGINE, AUDIO, 'stop') == codec.Success(None)

    def test_other_methods_get_the_empty_answer(self, shown_kestro):
        for method in ('Listen', 'cancel ', 'listen_now'):
            answer = shown_kestro.port.send(MAIN_ENGINE, AUDIO_EVENTS, codec.encode_call(method)).reply()
            assert answer == codec.Empty()


# Wine has no process loopback: the call returns S_OK and the activation
# completes with ERROR_FILE_NOT_FOUND as an HRESULT.
WINE_ACTIVATION_CODE = 0x80070002
ACTIVATION_REFUSED = 'Error: IActivateAudioInterfaceAsyncOperation::GetActivateResult failed: 0x80070002'


class TestExcludeOwnAudioOnWine:
    def test_falls_back_to_device_loopback_within_a_second_and_says_why(self, shown_kestro, listening):
        before = shown_kestro.count_stderr_lines(ACTIVATION_REFUSED)
        arguments = {'chunk_ms': 100, 'keep_alive': True, 'exclude_own_audio': True}
        started = time.monotonic()
        assert listening.call(MAIN_ENGINE, AUDIO, 'start', arguments) == codec.Success(True)
        answer = status_when(listening, lambda status: 'exclusion_error' in status, seconds=1.0)
        assert time.monotonic() - started < 1.5
        status = answer.result
        assert status.get('mode') == 'endpoint', status
        assert status['exclusion_error'] == {'step': 'IActivateAudioInterfaceAsyncOperation::GetActivateResult',
                                             'hresult': codec.Int64(WINE_ACTIVATION_CODE)}
        assert isinstance(status['os_build'], codec.Int64)
        assert shown_kestro.wait_for_stderr_line(ACTIVATION_REFUSED, before + 1), shown_kestro.stderr_lines
        status = status_when(listening, lambda status: status['state'] != 'starting').result
        if status['state'] == 'capturing':
            # A bed whose loopback carries audio: keep-alive's chunks come.
            assert len(events_within(listening, 1.0)) >= 5
        else:
            # Wine's own loopback refuses the capture client, as without the key.
            assert status['error'] == 'WASAPI: GetService(IAudioCaptureClient) failed'

    def test_without_the_key_the_status_keys_stay_as_they_were(self, listening):
        assert listening.call(MAIN_ENGINE, AUDIO, 'start', {'chunk_ms': 100}) == codec.Success(True)
        status = status_when(listening, lambda status: status['state'] != 'starting').result
        assert not {'mode', 'exclusion_error', 'os_build', 'discontinuities', 'timestamp_errors'} & set(status)
