"""The small Windows programs the service tests use beside kestro.exe:
Wine's notepad as the application a paste goes into, and the helpers in
this folder (cross-built once per process into the bed's directory).
"""

import os
import signal
import subprocess
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
# Started by its path, notepad is one process whose PID is ours to end;
# `wine notepad` would go through start.exe and leave notepad as another.
NOTEPAD = r'C:\windows\system32\notepad.exe'

_built = {}


def build(testbed, name):
    """helpers/NAME.c as an executable in the bed's directory."""
    if name not in _built:
        exe = testbed.dir / 'helpers' / f'{name}.exe'
        exe.parent.mkdir(exist_ok=True)
        subprocess.run(['x86_64-w64-mingw32-gcc-posix', '-std=c11', '-O2', '-Wall', '-Wextra', '-Wpedantic',
                        '-Werror', '-municode', '-mwindows', '-static-libgcc', '-o', str(exe),
                        str(HERE / f'{name}.c')], check=True)
        _built[name] = exe
    return _built[name]


def end(process):
    """Ends a program started with `testbed.start` by its PID."""
    if process.poll() is None:
        process.send_signal(signal.SIGKILL)
    process.wait(10)
    process.stderr_file.close()


def _written(process):
    return os.pread(process.stderr_file.fileno(), 1 << 16, 0).decode('utf-8', 'replace')


class Notepad:
    """Wine's notepad with its window up; `end` it when done."""

    def __init__(self, testbed, timeout=20):
        self.testbed = testbed
        self.process = testbed.start(NOTEPAD)
        deadline = time.monotonic() + timeout
        while self.text() is None:
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.end()
                raise TimeoutError(f'notepad has no window with an edit control after {timeout} s')
            time.sleep(0.1)

    def text(self):
        """Its edit control's text; None while it has no window."""
        read = self.testbed.run(build(self.testbed, 'edit_text'))
        return read.stderr if read.exit_code == 0 else None

    def wait_for_text(self, expected, timeout=5):
        """Its text once it equals `expected`, or the last one after `timeout`."""
        deadline = time.monotonic() + timeout
        while True:
            text = self.text()
            if text == expected or time.monotonic() > deadline:
                return text
            time.sleep(0.1)

    def bring_to_front(self):
        """Makes it the foreground window; whether it is."""
        return self.testbed.run(build(self.testbed, 'bring_to_front'), 'Notepad').exit_code == 0

    def end(self):
        end(self.process)


def _started(process, word, what, timeout):
    """Waits until `process` has written `word`; ends it and raises if it does not."""
    deadline = time.monotonic() + timeout
    while word not in _written(process):
        if process.poll() is not None or time.monotonic() > deadline:
            end(process)
            raise TimeoutError(f'{what}: no "{word}" after {timeout} s')
        time.sleep(0.05)


class _Background:
    """A helper program that runs while the block runs."""

    word = what = ''

    def __init__(self, testbed, timeout=20):
        self.testbed = testbed
        self.timeout = timeout

    def arguments(self):
        return ()

    def __enter__(self):
        self.process = self.testbed.start(build(self.testbed, self.program), *self.arguments())
        _started(self.process, self.word, self.what, self.timeout)
        return self

    def __exit__(self, *_):
        end(self.process)

    def written(self):
        return _written(self.process)


class ClipboardHolder(_Background):
    """Keeps the clipboard open in another process while the block runs."""

    program, word, what = 'clipboard_holder', 'holding', 'the clipboard holder'


class LazyClipboardOwner(_Background):
    """Owns the clipboard with text and HTML offered for delayed rendering;
    each render takes `render_ms` (-1: it never returns)."""

    program, word, what = 'clipboard_tool', 'owning', 'the lazy clipboard owner'

    def __init__(self, testbed, render_ms, text='lazy'):
        super().__init__(testbed)
        self.render_ms, self.text = render_ms, text

    def arguments(self):
        return ('lazy', str(self.render_ms), self.text)


class ClipboardPoller(_Background):
    """Opens the clipboard for `open_ms` of every `period_ms`, as clipboard
    managers do."""

    program, word, what = 'clipboard_tool', 'polling', 'the clipboard poller'

    def __init__(self, testbed, open_ms=30, period_ms=100):
        super().__init__(testbed)
        self.open_ms, self.period_ms = open_ms, period_ms

    def arguments(self):
        return ('poll', str(self.open_ms), str(self.period_ms))


class Clipboard:
    """The clipboard as another Windows program sees and writes it."""

    def __init__(self, testbed):
        self.testbed = testbed

    def formats(self):
        """{format number or registered name: its bytes (None when not a memory block)}."""
        listed = self.testbed.run(build(self.testbed, 'clipboard_tool'), 'list')
        assert listed.exit_code == 0, f'clipboard_tool list exited with {listed.exit_code}'
        formats = {}
        for line in listed.stderr.splitlines():
            number, name, data = line.rstrip('\r').split('\t')
            formats[name or int(number)] = bytes.fromhex(data) if data else None
        return formats

    def text(self):
        """CF_UNICODETEXT up to its terminating zero; None when absent."""
        data = self.formats().get(13)
        return None if data is None else data.decode('utf-16-le').split('\0')[0]

    def put(self, text, html, dib=False):
        """Replaces the contents with `text`, an "HTML Format" entry and, with
        `dib`, a 1x1 CF_DIB."""
        extra = ('dib',) if dib else ()
        assert self.testbed.run(build(self.testbed, 'clipboard_tool'), 'put', text, html, *extra).exit_code == 0


class KeyRecorder:
    """A window that writes a line for each Ctrl+V it gets, with the
    modifiers it saw down ("V ctrl", "V ctrl shift"); `end` it when done."""

    def __init__(self, testbed, timeout=20):
        self.testbed = testbed
        self.process = testbed.start(build(testbed, 'key_recorder'))
        deadline = time.monotonic() + timeout
        while 'ready' not in _written(self.process):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.end()
                raise TimeoutError(f'the key recorder has no window after {timeout} s')
            time.sleep(0.1)

    def bring_to_front(self):
        return self.testbed.run(build(self.testbed, 'bring_to_front'), 'KeyRecorder').exit_code == 0

    def pastes(self, count=1, timeout=5):
        """The Ctrl+V lines seen so far, once there are `count` or after `timeout`."""
        deadline = time.monotonic() + timeout
        while True:
            lines = [line.strip() for line in _written(self.process).splitlines() if line.startswith('V')]
            if len(lines) >= count or time.monotonic() > deadline:
                return lines
            time.sleep(0.1)

    def end(self):
        end(self.process)
