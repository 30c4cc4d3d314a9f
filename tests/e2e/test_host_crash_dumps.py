"""Crash dumps and the log file in the real kestro.exe under Wine: each way
of crashing, on the platform thread and on another, leaves a minidump that
reads back with the crash's code and thread, one line on standard error and
in the log, and the crash's code as the exit code; the next run tells the UI
through "kestro/diagnostics"; only the newest five dumps stay.
"""

import re
import time
import uuid
from pathlib import Path

import pytest

import kestro_codec as codec
import minidump
from kestro_app import MAIN_ENGINE, KestroApp
from ui_port import CRASH_KINDS

DIAGNOSTICS = 'kestro/diagnostics'
CRASH_LINE = re.compile(r'Error: unhandled exception 0x([0-9A-F]{8}) at ([^+]+)\+0x([0-9A-F]+); minidump (.+)')
RECORD = re.compile(r'\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[(\d+)\] (.*)')
# Abort, std::terminate and a pure virtual call end the way Windows' own
# runtime ends them (a fast fail); Wine's msvcrt.dll reports an invalid
# parameter without raising, so there the stand-in raises what newer
# runtimes raise.
CODES = {'access_violation': 0xC0000005, 'abort': 0xC0000409, 'terminate': 0xC0000409,
         'pure_virtual_call': 0xC0000409, 'invalid_parameter': 0xC0000417, 'stack_overflow': 0xC00000FD}


class Folders:
    """A crash folder and a log folder of their own, as Windows and Unix paths."""

    def __init__(self, testbed):
        self.drive_c = Path(testbed.env['WINEPREFIX']) / 'drive_c'
        self.name = f'kestro-e2e-{uuid.uuid4().hex[:8]}'
        self.crashes_windows = f'C:\\{self.name}\\crashes'
        self.logs_windows = f'C:\\{self.name}\\logs'

    def unix(self, windows_path):
        return self.drive_c / windows_path[3:].replace('\\', '/')

    @property
    def env(self):
        return {'KESTRO_CRASH_DIR': self.crashes_windows, 'KESTRO_LOG_DIR': self.logs_windows}

    def dumps(self):
        return sorted(self.unix(self.crashes_windows).glob('kestro-*.dmp'))

    def log_records(self):
        text = self.unix(self.logs_windows + '\\kestro.log').read_bytes().decode('utf-8')
        return [RECORD.fullmatch(line).groups() for line in text.splitlines()]


@pytest.fixture
def folders(testbed, dist):
    return Folders(testbed)


def crash(testbed, folders, kind, on_platform_thread=True):
    """Starts kestro, crashes it; the app after it ended."""
    app = KestroApp(testbed, env=folders.env)
    try:
        app.connect()
        app.engine()
        app.port.crash_process(MAIN_ENGINE, kind, on_platform_thread)
        app.wait(60)
    finally:
        app.stop()
    return app


def get_info(testbed, env):
    app = KestroApp(testbed, env=env)
    try:
        app.connect()
        app.engine()
        return app.port.call(MAIN_ENGINE, DIAGNOSTICS, 'get_info')
    finally:
        app.stop()


@pytest.mark.parametrize('on_platform_thread', [True, False], ids=['platform_thread', 'other_thread'])
@pytest.mark.parametrize('kind', list(CRASH_KINDS))
def test_a_crash_leaves_a_dump_a_line_and_its_exit_code(testbed, folders, kind, on_platform_thread):
    app = crash(testbed, folders, kind, on_platform_thread)
    code = CODES[kind]
    lines = [CRASH_LINE.fullmatch(line) for line in app.stderr_lines if CRASH_LINE.fullmatch(line)]
    assert len(lines) == 1, app.stderr_lines
    line = lines[0]
    assert int(line.group(1), 16) == code
    # Wine hands Unix the exit code's low byte.
    assert app.exit_code == code & 0xFF

    dumps = folders.dumps()
    assert len(dumps) == 1
    assert folders.unix(line.group(4)) == dumps[0]
    dump = minidump.read(dumps[0])
    assert dump.exception_code == code
    # Wine's dbghelp leaves out a thread whose stack overflowed.
    assert dump.exception_thread in dump.threads or kind == 'stack_overflow', dump.threads
    assert any(module.lower().endswith('kestro.exe') for module in dump.modules), dump.modules

    # The log's first record comes from the platform thread, the crash line
    # from the thread that wrote the dump.
    records = folders.log_records()
    platform_thread = int(records[0][0])
    assert records[0][1].startswith('kestro 1.0.3.103; Windows ')
    assert (dump.exception_thread == platform_thread) == on_platform_thread
    assert records[-1][1] == line.group(0)
    assert int(records[-1][0]) != dump.exception_thread


def test_the_next_run_tells_the_ui_about_the_last_crash(testbed, folders):
    first = get_info(testbed, folders.env)
    assert first == codec.Success({'version': '1.0.3.103', 'log_file': folders.logs_windows + '\\kestro.log',
                                   'crash_folder': folders.crashes_windows, 'last_crash': None})

    crashed = crash(testbed, folders, 'access_violation', on_platform_thread=False)
    line = next(CRASH_LINE.fullmatch(text) for text in crashed.stderr_lines if CRASH_LINE.fullmatch(text))
    info = get_info(testbed, folders.env).result
    last = info['last_crash']
    assert last['code'] == codec.Int64(0xC0000005)
    assert last['module'] == line.group(2) == 'flutter_windows.dll'
    assert last['dump'] == line.group(4)
    assert re.fullmatch(r'\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}', last['time'])


def test_a_crash_that_holds_standard_error_still_ends_with_its_dump_and_record(testbed, folders):
    """The line cannot be written then, but it must neither keep the process
    alive for the full minute nor cost the next run its record."""
    started = time.monotonic()
    crashed = crash(testbed, folders, 'holding_stderr')
    assert time.monotonic() - started < 20, crashed.stderr_lines
    assert crashed.exit_code == 0xC0000005 & 0xFF
    (dump,) = folders.dumps()
    assert minidump.read(dump).exception_code == 0xC0000005
    last = get_info(testbed, folders.env).result['last_crash']
    assert folders.unix(last['dump']) == dump


def test_without_the_variables_there_is_no_log_and_off_means_no_crash_folder(testbed, folders):
    info = get_info(testbed, {'KESTRO_CRASH_DIR': 'off'}).result
    assert info['log_file'] is None and info['crash_folder'] is None and info['last_crash'] is None


def test_six_crashes_leave_the_newest_five_dumps(testbed, folders):
    written = []
    for _ in range(6):
        app = crash(testbed, folders, 'abort')
        written.append(next(CRASH_LINE.fullmatch(text).group(4) for text in app.stderr_lines
                            if CRASH_LINE.fullmatch(text)))
    assert folders.dumps() == [folders.unix(path) for path in written[1:]]


def test_a_log_folder_that_cannot_be_made_costs_one_line_and_kestro_runs_on(testbed, folders):
    blocker = folders.unix(f'C:\\{folders.name}')
    blocker.parent.mkdir(parents=True, exist_ok=True)
    blocker.write_text('a file where the folder would be')
    app = KestroApp(testbed, env={'KESTRO_LOG_DIR': folders.logs_windows, 'KESTRO_CRASH_DIR': 'off'})
    try:
        app.connect()
        assert app.port.call(MAIN_ENGINE, DIAGNOSTICS, 'get_info').result['log_file'] is None
        warnings = [line for line in app.stderr_lines if line.startswith('Warning: KESTRO_LOG_DIR ')]
        assert len(warnings) == 1, app.stderr_lines
    finally:
        assert app.stop() == 0
