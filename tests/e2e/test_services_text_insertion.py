"""Text insertion in the real kestro.exe under Wine 8, with Wine's notepad
as the application the user works in. Wine never fires foreground
WinEvents, so the last external window is never learnt here: notepad is
made the foreground window before each paste, and being another
application's window in front makes it the target.

The channel is bound to the engine's view; minimising acts on the
top-level window that holds it, so kestro's whole window goes and the view
stays whole inside it.
"""

import time

import pytest

import kestro_codec as codec
from helpers.programs import Clipboard, ClipboardHolder, KeyRecorder, Notepad
from helpers.shown_kestro import own_kestro, shown_kestro  # noqa: F401 (fixtures)
from kestro_app import MAIN_ENGINE

INSERTION = 'kestro/text_insertion'
# Accents, a sign outside Latin-1 and one outside the Basic Multilingual
# Plane, which travels as a surrogate pair.
TEXT = 'h\u00e9llo w\u00f6rld \U0001F600 \u2713'


def paste(app, arguments):
    return app.port.call(MAIN_ENGINE, INSERTION, 'paste_text', arguments)


def minimised(app):
    return app.window()['show_state'] == 'minimised'



@pytest.fixture
def notepad(testbed):
    """Notepad in front; ask for it after kestro.exe, so that it starts later."""
    editor = Notepad(testbed)
    try:
        assert editor.bring_to_front()
        yield editor
    finally:
        editor.end()


def test_installed_on_the_main_engine(shown_kestro):
    assert INSERTION in shown_kestro.engine()['channels']


class TestPasteIntoTheApplicationInFront:
    def test_text_lands_in_notepad_and_on_the_clipboard(self, own_kestro, testbed, notepad):
        assert paste(own_kestro, {'text': TEXT}) == codec.Success(True)
        assert notepad.wait_for_text(TEXT) == TEXT
        assert testbed.clipboard_text() == TEXT
        assert minimised(own_kestro)

    def test_detailed_result_answers_a_map_and_pastes_the_same(self, own_kestro, notepad):
        answer = paste(own_kestro, {'text': TEXT, 'detailed_result': True})
        assert answer == codec.Success({'pasted': True, 'reason': 'pasted'})
        assert notepad.wait_for_text(TEXT) == TEXT
        # Notepad runs at kestro's own integrity level: nothing to warn about.
        assert not [line for line in own_kestro.stderr_lines if line.startswith('Warning:')]

    def test_text_ends_at_its_first_zero_byte(self, own_kestro, notepad):
        assert paste(own_kestro, {'text': 'before\0after'}) == codec.Success(True)
        assert notepad.wait_for_text('before') == 'before'


class TestRefusedPaste:
    """False, and nothing happens: no window minimised, nothing pasted."""

    def test_clipboard_held_by_another_program(self, shown_kestro, notepad):
        with ClipboardHolder(notepad.testbed):
            assert paste(shown_kestro, {'text': TEXT}) == codec.Success(False)
        assert not minimised(shown_kestro)
        assert notepad.text() == ''

    @pytest.mark.parametrize('arguments', [{'text': ''}, {'text': 7}, {'other': TEXT}, None, [TEXT]],
                             ids=['empty', 'number', 'no-text-key', 'no-arguments', 'list'])
    def test_no_usable_text(self, shown_kestro, notepad, arguments):
        assert paste(shown_kestro, arguments) == codec.Success(False)
        assert not minimised(shown_kestro)
        assert notepad.text() == ''


HISTORY_FORMATS = ('ExcludeClipboardContentFromMonitorProcessing', 'CanIncludeInClipboardHistory',
                   'CanUploadToCloudClipboard')


def wait_for(read, expected, timeout=5):
    """`read()` once it equals `expected`, or its last value after `timeout`."""
    deadline = time.monotonic() + timeout
    while (value := read()) != expected and time.monotonic() < deadline:
        time.sleep(0.1)
    return value


class TestPasteOptions:
    """The optional keys beside "text", seen from other programs."""

    def test_exclude_from_history_leaves_the_three_formats_for_other_programs(self, own_kestro, testbed,
                                                                              notepad):
        assert paste(own_kestro, {'text': TEXT, 'exclude_from_history': True}) == codec.Success(True)
        assert notepad.wait_for_text(TEXT) == TEXT
        formats = Clipboard(testbed).formats()
        for name in HISTORY_FORMATS:
            assert formats.get(name) == b'\0\0\0\0', name
        assert formats[13].decode('utf-16-le').split('\0')[0] == TEXT

    def test_restore_clipboard_puts_back_what_another_program_had_put_there(self, own_kestro, testbed,
                                                                            notepad):
        clipboard = Clipboard(testbed)
        clipboard.put('earlier', '<b>earlier</b>')
        assert notepad.bring_to_front()
        assert paste(own_kestro, {'text': TEXT, 'restore_clipboard': True}) == codec.Success(True)
        assert notepad.wait_for_text(TEXT) == TEXT
        assert wait_for(clipboard.text, 'earlier') == 'earlier'
        assert clipboard.formats()['HTML Format'] == b'<b>earlier</b>\0'

    def test_release_modifiers_keeps_a_held_shift_out_of_the_paste(self, own_kestro, testbed):
        recorder = KeyRecorder(testbed)
        try:
            assert recorder.bring_to_front()
            testbed.command(['xdotool', 'keydown', 'shift'])
            try:
                assert paste(own_kestro, {'text': 'x'}) == codec.Success(True)
                held = recorder.pastes(1)
                if held != ['V ctrl shift']:
                    pytest.skip(f'Wine does not report the held Shift to the target here: {held}')
                assert recorder.bring_to_front()
                assert paste(own_kestro, {'text': 'x', 'release_modifiers': True}) == codec.Success(True)
                assert recorder.pastes(2)[1:] == ['V ctrl']
            finally:
                testbed.command(['xdotool', 'keyup', 'shift'])
        finally:
            recorder.end()


def test_other_methods_are_not_implemented(shown_kestro):
    for method in ('PASTE_TEXT', 'paste_text ', 'paste'):
        assert shown_kestro.port.call(MAIN_ENGINE, INSERTION, method, {'text': TEXT}) == codec.Empty()
