"""kestro.exe started on the Wine test bed with the UI port open, and the UI
peer connected to it.

Standard error goes to a file in the bed's directory, never a pipe (Wine
children inherit it); the port is read from the stand-in engine's line
there. `stop` always ends the process: closing the window through the port
first, killing it by PID when that does not end it.
"""

import os
import re
import signal
import subprocess
import tempfile
import time
from pathlib import Path

import testbed as bed
from ui_port import UiPort, UiPortError

PORT_LINE = re.compile(r'standin: UI port listening: KESTRO_UI_PORT=(\d+)')
MAIN_ENGINE = 1


def dist_dir():
    return Path(os.environ.get('KESTRO_DIST_DIR') or bed.REPO / 'build' / 'windows' / 'dist')


class KestroApp:
    def __init__(self, testbed, args=(), env=None, dist=None):
        self.testbed = testbed
        self.exe = Path(dist or dist_dir()).resolve() / 'kestro.exe'
        self.args = list(args)
        environment = dict(testbed.env, KESTRO_UI_PORT='0', **(env or {}))
        handle, name = tempfile.mkstemp(prefix='kestro-', suffix='.stderr', dir=testbed.dir)
        os.close(handle)
        self.stderr_path = Path(name)
        with open(self.stderr_path, 'wb') as stderr:
            # The working folder is unrelated on purpose: the host finds its
            # files beside the executable, not in the current folder.
            self.process = subprocess.Popen(['wine', str(self.exe), *args], env=environment,
                                            cwd=testbed.dir, stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=stderr)
        self.port = None
        self.exit_code = None
        self._stderr = None

    @property
    def stderr_lines(self):
        text = self._stderr if self._stderr is not None else self.stderr_path.read_bytes().decode('utf-8', 'replace')
        return text.replace('\r\n', '\n').splitlines()

    def _collect_stderr(self):
        """Once the process has ended: its standard error is kept, the file goes."""
        if self._stderr is None:
            self._stderr = self.stderr_path.read_bytes().decode('utf-8', 'replace')
            self.stderr_path.unlink()

    def connect(self, timeout=30):
        """Waits for the UI port line and connects as the UI."""
        deadline = time.monotonic() + timeout
        while True:
            found = next((PORT_LINE.search(line) for line in self.stderr_lines if PORT_LINE.search(line)), None)
            if found:
                self.port = UiPort(int(found.group(1)))
                return self.port
            if self.process.poll() is not None:
                raise UiPortError(f'kestro.exe exited with {self.process.returncode} before opening the UI port: '
                                  f'{self.stderr_lines}')
            if time.monotonic() > deadline:
                raise UiPortError(f'no UI port line after {timeout} s: {self.stderr_lines}')
            time.sleep(0.05)

    def engine(self, engine_id=MAIN_ENGINE, timeout=30):
        """The engine's state; the port opens before the first engine exists,
        so a missing engine is waited for."""
        deadline = time.monotonic() + timeout
        while True:
            for engine in self.port.state()['engines']:
                if int(engine['id']) == engine_id:
                    return engine
            if time.monotonic() > deadline:
                raise AssertionError(f'no engine {engine_id} after {timeout} s')
            time.sleep(0.05)

    def window(self, engine_id=MAIN_ENGINE):
        return self.engine(engine_id)['window']

    def wait_until(self, condition, what, timeout=10):
        """Polls the main engine's state until `condition(engine)` holds; that state."""
        deadline = time.monotonic() + timeout
        while True:
            engine = self.engine()
            if condition(engine):
                return engine
            if time.monotonic() > deadline:
                raise AssertionError(f'{what}: not after {timeout} s; last state {engine}')
            time.sleep(0.05)

    def count_stderr_lines(self, line):
        return self.stderr_lines.count(line)

    def wait_for_stderr_line(self, line, count=1, timeout=10):
        """Whether standard error holds `line` `count` times within `timeout` s."""
        deadline = time.monotonic() + timeout
        while self.count_stderr_lines(line) < count:
            if time.monotonic() > deadline:
                return False
            time.sleep(0.05)
        return True

    def wait(self, timeout=30):
        """The exit code; kills the process when it overruns `timeout`."""
        try:
            self.exit_code = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise
        self._collect_stderr()
        return self.exit_code

    def kill(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
        self.exit_code = self.process.wait()
        self._collect_stderr()

    def stop(self, timeout=20):
        """Closes the window through the port (else kills); the exit code."""
        try:
            if self.process.poll() is None and self.port is not None:
                try:
                    self.port.close_window(MAIN_ENGINE)
                except UiPortError:
                    pass
            return self.wait(timeout)
        finally:
            self.kill()
            if self.port is not None:
                self.port.close()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()
