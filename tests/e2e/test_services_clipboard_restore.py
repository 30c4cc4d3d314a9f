"""The user's clipboard coming back after pastes with "restore_clipboard",
in kestro.exe under Wine 8, beside other programs that own, read or lazily
render the clipboard: runs of pastes, an owner that renders late or never,
a busy clipboard, and the pasting window or kestro itself going away.
"""

import time

import pytest

import kestro_codec as codec
from helpers.programs import Clipboard, ClipboardPoller, LazyClipboardOwner, Notepad
from kestro_app import MAIN_ENGINE
from test_secondary_windows import MULTI_WINDOW, open_window
# Fixtures and a helper of the paste tests, shared.
from helpers.shown_kestro import own_kestro  # noqa: F401 (a fixture)
from test_services_text_insertion import notepad, wait_for  # noqa: F401

INSERTION = 'kestro/text_insertion'
RESTORE = {'restore_clipboard': True}


def paste(app, text, engine=MAIN_ENGINE, timeout=None, **options):
    return app.port.call(engine, INSERTION, 'paste_text', {'text': text, **RESTORE, **options}, timeout=timeout)


@pytest.fixture
def clipboard(testbed):
    """The user's clipboard: text, HTML and a DIB put there by another program."""
    board = Clipboard(testbed)
    board.put('user', '<b>user</b>', dib=True)
    board.before = board.formats()
    return board


def assert_users_clipboard_back(clipboard, timeout=5):
    assert wait_for(clipboard.text, 'user', timeout) == 'user'
    formats = clipboard.formats()
    assert formats['HTML Format'] == clipboard.before['HTML Format']
    assert formats[8] == clipboard.before[8]


class TestSuccessivePastes:
    def test_dictation_pace_ends_with_the_users_clipboard(self, own_kestro, notepad, clipboard):
        for number in range(4):
            assert paste(own_kestro, f'part {number} ') == codec.Success(True)
            time.sleep(0.25)
        assert_users_clipboard_back(clipboard)
        assert 'part 3' in notepad.wait_for_text('part 0 part 1 part 2 part 3 ')

    def test_a_secret_pasted_right_after_does_not_stay(self, own_kestro, notepad, clipboard):
        assert paste(own_kestro, 'first', restore_delay_ms=1000) == codec.Success(True)
        time.sleep(0.1)
        assert paste(own_kestro, 'secret', restore_delay_ms=1000, exclude_from_history=True) == codec.Success(True)
        assert_users_clipboard_back(clipboard)
        assert 'CanUploadToCloudClipboard' not in clipboard.formats()


class TestLazyOwner:
    """The paste goes ahead, without a restore, and says why."""

    @pytest.mark.parametrize('render_ms', [3000, -1], ids=['late', 'never'])
    def test_the_paste_goes_ahead_and_the_restore_is_given_up(self, own_kestro, testbed, notepad, render_ms):
        with LazyClipboardOwner(testbed, render_ms):
            assert notepad.bring_to_front()
            started = time.monotonic()
            assert paste(own_kestro, 'pasted', timeout=15) == codec.Success(True)
            answered = time.monotonic() - started
            assert notepad.wait_for_text('pasted') == 'pasted'
            assert any(line.startswith('Warning: Text insertion: the clipboard\'s owner did not render format 13')
                       for line in own_kestro.stderr_lines), own_kestro.stderr_lines
            # The platform thread is free again: kestro answers at once.
            started = time.monotonic()
            assert own_kestro.port.call(MAIN_ENGINE, INSERTION, 'other', timeout=5) == codec.Empty()
            assert time.monotonic() - started < 1
        assert Clipboard(testbed).text() == 'pasted'
        # Wine's EmptyClipboard waits up to 5 s for the busy owner's
        # WM_DESTROYCLIPBOARD; the save itself stops after 0.5 s.
        assert answered < 6.5, answered


def test_a_busy_clipboard_is_waited_out(own_kestro, testbed, notepad, clipboard):
    with ClipboardPoller(testbed, 30, 100):
        for number in range(8):
            assert notepad.bring_to_front()
            assert paste(own_kestro, f'{number}', restore_delay_ms=100) == codec.Success(True), number
            assert wait_for(clipboard.text, 'user', 3) == 'user', number
    assert not [line for line in own_kestro.stderr_lines if 'OpenClipboard' in line]


class TestThePastingWindowGoes:
    def test_a_closed_secondary_window(self, own_kestro, testbed, clipboard):
        engine, number = open_window(own_kestro)
        notepad = Notepad(testbed)  # after the window, so that it can come in front
        try:
            assert notepad.bring_to_front()
            assert paste(own_kestro, 'from the window', engine=engine, restore_delay_ms=1500) == codec.Success(True)
            assert own_kestro.port.call(MAIN_ENGINE, MULTI_WINDOW, 'close_window', number) == codec.Success(True)
            assert_users_clipboard_back(clipboard)
        finally:
            notepad.end()
        assert not [line for line in own_kestro.stderr_lines if line.startswith('Error:')]

    def test_kestro_exits_normally(self, own_kestro, notepad, clipboard):
        assert paste(own_kestro, 'secret', restore_delay_ms=5000) == codec.Success(True)
        assert own_kestro.stop() == 0
        assert clipboard.text() == 'user', own_kestro.stderr_lines
        assert clipboard.formats()['HTML Format'] == clipboard.before['HTML Format']
