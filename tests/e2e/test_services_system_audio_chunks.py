"""What system audio's chunks carry in the real kestro.exe under Wine, with
the bed's loopback shim handing its unchanged capture path what plays into
the bed's sink: a tone's level and frequency, unbroken, in both qualities;
the alias of a tone above 8 kHz; start, stop and restart; keep-alive's
silence; and the default device changing while capture follows it.
"""

import contextlib
import time

import pytest

import kestro_codec as codec
import system_audio as audio
import tone_analysis as tones
from helpers.shown_kestro import shown_kestro  # noqa: F401 (a fixture)

TONE_HZ = 1000
AMPLITUDE = 0.5
HIGH_HZ, ALIAS_HZ = audio.HIGH_HZ, audio.ALIAS_HZ
FIRST_CHUNK_TIMEOUT = audio.FIRST_CHUNK_TIMEOUT

QUALITIES = [
    pytest.param({}, id='standard'),
    pytest.param({'quality': 'high'}, id='high'),
]


@pytest.fixture
def port(testbed, shown_kestro):
    """The UI port of a kestro.exe whose chunks carry sound, listening;
    capture stopped and the listener cancelled afterwards."""
    if not testbed.loopback_shim:
        pytest.skip('the bed was brought up with Wine\'s own render loopback (KESTRO_TESTBED_WINE_LOOPBACK=1)')
    port = shown_kestro.port
    assert audio.listen(port) == codec.Success(None)
    try:
        yield port
    finally:
        audio.stop(port)
        audio.cancel(port)
        audio.events_within(port, 0.1)  # what was on its way


def capture(port, seconds, chunk_ms=100, **options):
    """`seconds` worth of chunks, all of the chunk length asked for."""
    started, chunks = audio.capture(port, seconds, chunk_ms, **options)
    assert started == codec.Success(True)
    assert {len(chunk) for chunk in chunks} == {chunk_ms * audio.BYTES_PER_MS}
    return chunks


def assert_steady_tone(values, frequency, amplitude):
    assert tones.dominant_frequency(values, audio.RATE) == pytest.approx(frequency, abs=5)
    assert tones.level_db(values) == pytest.approx(tones.decibels(amplitude), abs=1.0)
    # A lost or repeated stretch would break the one tone fitted to all.
    assert min(tones.snr_per_window(values, frequency, audio.RATE)) >= 40


@pytest.mark.parametrize('quality', QUALITIES)
def test_a_played_tone_arrives_with_its_level_unbroken(testbed, port, quality):
    with testbed.tone(TONE_HZ, AMPLITUDE):
        values = tones.sounding(tones.samples(capture(port, 2.0, **quality)))
    assert len(values) >= 1.5 * audio.RATE
    assert_steady_tone(values, TONE_HZ, AMPLITUDE)
    # The bed's 48 kHz takes the filter; a UI that did not ask sees no key.
    assert audio.status(port).get('quality') == quality.get('quality')


@pytest.mark.parametrize('quality, alias_db', [
    pytest.param({}, tones.decibels(AMPLITUDE), id='standard: the alias at full level'),
    pytest.param({'quality': 'high'}, None, id='high: 80 dB down'),
])
def test_a_tone_above_8_khz(testbed, port, quality, alias_db):
    with testbed.tone(HIGH_HZ, AMPLITUDE):
        values = tones.samples(capture(port, 1.0, **quality))[audio.RATE // 10:]
    alias = tones.Tone(values, ALIAS_HZ, audio.RATE).level_db
    if alias_db is None:
        assert alias <= tones.decibels(AMPLITUDE) - 80
    else:
        assert alias == pytest.approx(alias_db, abs=1.0)


def test_start_stop_and_restart_while_a_tone_plays(testbed, port):
    with testbed.tone(TONE_HZ, AMPLITUDE):
        first = tones.sounding(tones.samples(capture(port, 1.0)))
        # Nothing after "stop", not even a chunk that was due.
        assert audio.events_within(port, 0.3) == []
        # The restart opens the device again, with its own chunk length.
        second = tones.sounding(tones.samples(capture(port, 1.0, chunk_ms=80)))
    for values in (first, second):
        assert_steady_tone(values, TONE_HZ, AMPLITUDE)
    assert audio.status(port)['state'] == 'stopped'


def test_keep_alive_gives_silence_while_nothing_plays_then_the_tone(testbed, port):
    assert audio.start(port, chunk_ms=100, keep_alive=True) == codec.Success(True)
    silent = audio.chunks_until(port, 8, FIRST_CHUNK_TIMEOUT + 1)
    with testbed.tone(TONE_HZ, AMPLITUDE):
        sounding = audio.chunks_until(port, 20, 4.0)
    assert audio.stop(port) == codec.Success(None)
    assert len(silent) >= 8 and not any(any(chunk) for chunk in silent)
    values = tones.sounding(tones.samples(sounding))
    # Keep-alive lays silence in whenever Wine's packets fall half a chunk
    # behind the clock, and the packets follow it whole; so the tone is
    # checked in each stretch between such silences, not across them.
    parts = [part for part in tones.stretches(values) if len(part) >= audio.RATE // 10]
    assert sum(map(len, parts)) >= audio.RATE // 2
    assert tones.dominant_frequency(max(parts, key=len), audio.RATE) == pytest.approx(TONE_HZ, abs=5)
    for part in parts:
        assert tones.level_db(part) == pytest.approx(tones.decibels(AMPLITUDE), abs=1.0)
        assert min(tones.snr_per_window(part, TONE_HZ, audio.RATE, 0.05)) >= 40


def test_follow_default_device_as_the_default_moves_between_sinks(testbed, port):
    sinks = {testbed.env['KESTRO_TESTBED_SINK']: 500, testbed.env['KESTRO_TESTBED_SECOND_SINK']: 1500}

    def heard():
        """The dominant frequency of the next half second, to 100 Hz."""
        values = tones.sounding(tones.samples(audio.chunks_until(port, 5, 1.5)))
        return round(tones.dominant_frequency(values, audio.RATE) / 100) * 100 if values else 0

    def moves_to(sink):
        """Whether capture re-opens on `sink` and carries its tone within
        12 s."""
        testbed.set_default_device(sink)
        started = time.monotonic()
        while time.monotonic() - started < 12:
            if audio.status(port)['device'] == f'Monitor of {sink}' and heard() == sinks[sink]:
                return True
        return False

    with contextlib.ExitStack() as playing:
        for sink, frequency in sinks.items():
            playing.enter_context(testbed.tone(frequency, AMPLITUDE, sink=sink))
        playing.callback(testbed.set_default_device, None)
        arguments = {'chunk_ms': 100, 'follow_default_device': True, 'keep_alive': True}
        assert audio.start(port, **arguments) == codec.Success(True)
        # Keep-alive's silence covers the wait for the first packets.
        assert audio.sound_within(port, FIRST_CHUNK_TIMEOUT)
        before = heard()
        moved = moves_to(testbed.env['KESTRO_TESTBED_SECOND_SINK'])
        back = moves_to(testbed.env['KESTRO_TESTBED_SINK'])
        status = audio.status(port)
    assert (before, moved, back) == (500, True, True)
    assert status['state'] == 'capturing' and status['device_switches'].value >= 2, status


def mentions_code(value, code):
    """Whether a status value holds the result code, as a number or as text."""
    if isinstance(value, codec.Int64):
        return value.value == code
    if isinstance(value, int):
        return value == code
    if isinstance(value, str):
        return f'{code:08x}' in value.lower()
    if isinstance(value, dict):
        value = value.values()
    return isinstance(value, (list, tuple, type({}.values()))) and any(mentions_code(item, code) for item in value)


def test_exclude_own_audio_falls_back_to_the_endpoint_under_wine(testbed, shown_kestro, port):
    """Wine completes the process-loopback activation with 0x80070002."""
    with testbed.tone(TONE_HZ, AMPLITUDE):
        assert audio.start(port, chunk_ms=100, exclude_own_audio=True) == codec.Success(True)
        status = audio.status(port)
        for _ in range(10):  # the fallback shows within 1 s
            if status.get('exclusion_error') is not None:
                break
            audio.events_within(port, 0.1)
            status = audio.status(port)
        values = tones.sounding(tones.samples(audio.chunks_until(port, 20, FIRST_CHUNK_TIMEOUT + 2)))
    assert status['mode'] == 'endpoint', status
    assert mentions_code(status['exclusion_error'], 0x80070002), status
    assert any(line.startswith('Error: ') and line.lower().endswith('failed: 0x80070002')
               for line in shown_kestro.stderr_lines), shown_kestro.stderr_lines
    assert_steady_tone(values, TONE_HZ, AMPLITUDE)
