"""The Wine test bed does what the end-to-end tests rely on."""

import array
import subprocess

import pytest

CAPTION = 'kestro test bed'


def test_exit_code_and_stderr_come_back(testbed, smoke_exe):
    finished = testbed.run(smoke_exe, 7, 0)
    assert finished.exit_code == 7
    assert finished.stderr_lines == ['smoke: window up', 'smoke: exiting with 7']
    assert finished.stderr.endswith('\r\n')


def test_window_shows_on_the_display(testbed, smoke_exe, tmp_path):
    process = testbed.start(smoke_exe, 0, 5000)
    try:
        testbed.wait_for_window(CAPTION)
        geometry = testbed.command(['xdotool', 'search', '--name', f'^{CAPTION}$', 'getwindowgeometry'],
                                   text=True).stdout
        assert 'Geometry: 480x240' in geometry
        shot = testbed.screenshot(tmp_path / 'display.png')
        # The window sits at (100, 100) with a white client area; the root
        # window around it stays black.
        assert testbed.pixel(shot, 300, 250) == (255, 255, 255)
        assert testbed.pixel(shot, 900, 700) == (0, 0, 0)
    finally:
        process.kill()
        testbed.finish(process)


def test_clipboard_text_reaches_the_display(testbed, smoke_exe):
    text = 'héllo ✓ kestro'
    assert testbed.run(smoke_exe, 0, 0, text).exit_code == 0
    assert testbed.clipboard_text() == text


def test_tone_played_into_the_null_sink_arrives_at_its_monitor(testbed, tmp_path):
    tone = tmp_path / 'tone.wav'
    subprocess.run(['sox', '-n', '-r', '48000', '-c', '2', '-b', '16', str(tone),
                    'synth', '0.5', 'sine', '1000', 'vol', '0.5'], check=True)
    raw = testbed.record_while(lambda: testbed.command(['paplay', str(tone)]))
    left = array.array('h', raw[:len(raw) // 4 * 4])[::2]
    loud = [index for index, sample in enumerate(left) if abs(sample) > 8000]
    assert loud, 'nothing arrived at the monitor'
    sound = left[loud[0]:loud[-1] + 1]
    crossings = sum(1 for a, b in zip(sound, sound[1:]) if (a < 0) != (b < 0))
    assert crossings / 2 / (len(sound) / 48000) == pytest.approx(1000, rel=0.02)
    assert max(abs(sample) for sample in sound) == pytest.approx(16384, rel=0.05)
