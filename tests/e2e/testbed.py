"""Running Windows programs on the Wine test bed that scripts/testbed/up.sh
brings up, and looking at what they did: exit code, standard error, the
display, the clipboard and the null sink.
"""

import contextlib
import os
import re
import signal
import subprocess
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
DEFAULT_DIR = REPO / 'build' / 'testbed'
PLAY_TONE = REPO / 'scripts' / 'testbed' / 'play_tone.sh'
WINEPULSE_KEY = r'HKCU\Software\Wine\Drivers\winepulse.drv'
MMDEVICES_KEY = r'HKLM\Software\Microsoft\Windows\CurrentVersion\MMDevices\Audio'
# Wine's endpoint ids: "{0.0.<flow>.00000000}.{guid}", flow 0 render, 1 capture.
_ENDPOINT_PREFIX = {'Render': '{0.0.0.00000000}.', 'Capture': '{0.0.1.00000000}.'}
# The friendly name property (PKEY_Device_FriendlyName) under Properties.
_FRIENDLY_NAME = '{A45C254E-DF1C-4EFD-8020-67D146A850E0},14'

# The programs each saved PID must still be running.
_PROCESS_NAMES = {
    'KESTRO_TESTBED_XVFB_PID': 'Xvfb',
    'KESTRO_TESTBED_PULSE_PID': 'pulseaudio',
    'KESTRO_TESTBED_WINESERVER_PID': 'wineserver64',
}


class TestbedUnavailable(RuntimeError):
    """The bed is not up; the message says what is missing."""


@dataclass
class Finished:
    exit_code: int
    stderr: str  # as written: Windows programs end their lines in CRLF

    @property
    def stderr_lines(self):
        return self.stderr.replace('\r\n', '\n').splitlines()


def _runs(pid, name):
    try:
        return Path(f'/proc/{pid}/comm').read_text().strip() == name
    except OSError:
        return False


def load_environment(bed_dir=None):
    """The environment the bed's env.sh sets up, on top of ours."""
    bed_dir = Path(bed_dir or os.environ.get('KESTRO_TESTBED_DIR') or DEFAULT_DIR)
    env_file = bed_dir / 'env.sh'
    if not env_file.is_file():
        raise TestbedUnavailable(f'{env_file} does not exist: run scripts/testbed/up.sh')
    listing = subprocess.run(['bash', '-c', 'set -a; source "$1"; env -0', 'env', str(env_file)],
                             check=True, capture_output=True).stdout
    env = dict(entry.split('=', 1) for entry in listing.decode().split('\0') if '=' in entry)
    for variable, name in _PROCESS_NAMES.items():
        if not _runs(env.get(variable, ''), name):
            raise TestbedUnavailable(f'{name} of the bed is not running: run scripts/testbed/up.sh')
    return env


class Testbed:
    def __init__(self, env):
        self.env = env
        self.dir = Path(env['KESTRO_TESTBED_DIR'])

    def command(self, argv, **kwargs):
        """Runs a Unix command (xclip, paplay, ...) on the bed's display and sound server."""
        return subprocess.run(argv, env=self.env, check=True, capture_output=True, **kwargs)

    def start(self, program, *args):
        """Starts a Windows program; stop it with `finish`.

        Standard error goes to a file, not a pipe: a Wine process started on
        the program's behalf inherits its streams and would keep a pipe open
        after the program is gone.
        """
        stderr_file = tempfile.TemporaryFile(dir=self.dir)
        process = subprocess.Popen(['wine', str(program), *map(str, args)], env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=stderr_file)
        process.stderr_file = stderr_file
        return process

    @staticmethod
    def finish(process, timeout=30):
        """Waits for a started program; kills it when it overruns `timeout`."""
        try:
            exit_code = process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.send_signal(signal.SIGKILL)
            process.wait()
            raise
        finally:
            process.stderr_file.seek(0)
            stderr = process.stderr_file.read().decode('utf-8', 'replace')
            process.stderr_file.close()
        return Finished(exit_code, stderr)

    def run(self, program, *args, timeout=30):
        return self.finish(self.start(program, *args), timeout)

    def wait_for_window(self, title, timeout=10):
        """The X window id of the first window with `title`."""
        deadline = time.monotonic() + timeout
        while True:
            found = subprocess.run(['xdotool', 'search', '--name', f'^{title}$'], env=self.env,
                                   capture_output=True, text=True)
            if found.returncode == 0 and found.stdout.split():
                return int(found.stdout.split()[0])
            if time.monotonic() > deadline:
                raise TimeoutError(f'no window titled {title!r} after {timeout} s')
            time.sleep(0.1)

    def screenshot(self, path):
        self.command(['import', '-window', 'root', str(path)])
        return Path(path)

    def pixel(self, png, x, y):
        """The colour of one pixel of a PNG, as (red, green, blue) from 0 to 255."""
        text = self.command(['convert', str(png), '-format', f'%[fx:int(255*p{{{x},{y}}}.r)],'
                             f'%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]', 'info:'],
                            text=True).stdout
        return tuple(int(part) for part in text.split(','))

    def clipboard_text(self):
        return self.command(['xclip', '-o', '-selection', 'clipboard'], text=True).stdout

    def record_while(self, action, seconds_after=0.3):
        """Raw 48 kHz stereo s16le from the null sink's monitor while `action` runs."""
        with tempfile.NamedTemporaryFile(dir=self.dir, suffix='.raw') as raw:
            recorder = subprocess.Popen(['parec', f'--device={self.env["KESTRO_TESTBED_SOURCE"]}',
                                         '--rate=48000', '--channels=2', '--format=s16le', '--raw',
                                         '--latency-msec=20'],
                                        env=self.env, stdout=raw, stderr=subprocess.DEVNULL)
            try:
                time.sleep(0.3)
                action()
                time.sleep(seconds_after)
            finally:
                recorder.terminate()
                recorder.wait(10)
            return Path(raw.name).read_bytes()

    @property
    def loopback_shim(self):
        """Whether the bed's render loopback carries what plays (its loopback
        shim), rather than Wine's own, which refuses the capture client."""
        return self.env.get('KESTRO_TESTBED_LOOPBACK') == 'shim'

    @contextlib.contextmanager
    def tone(self, frequency, amplitude, seconds=60, sink=None):
        """A sine tone playing into the default sink (or `sink`) while the
        block runs."""
        player = subprocess.Popen([str(PLAY_TONE), str(frequency), str(amplitude), str(seconds), *([sink] if sink else [])],
                                  env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        try:
            yield player
        finally:
            player.terminate()
            player.wait(10)

    def endpoint_id(self, flow, friendly_name):
        """Wine's id of the endpoint of `flow` ("Render", "Capture") named
        `friendly_name`; Wine lists an endpoint once a program has enumerated it."""
        listing = self.command(['wine', 'reg', 'query', rf'{MMDEVICES_KEY}\{flow}', '/s'], text=True).stdout
        guid = None
        for line in listing.splitlines():
            key = re.match(r'^HKEY_\S+\\(\{[0-9A-Fa-f-]+\})\\Properties$', line.strip())
            if key:
                guid = key.group(1)
            elif guid and line.split(None, 2)[:2] == [_FRIENDLY_NAME, 'REG_SZ'] and \
                    line.split(None, 2)[2].strip() == friendly_name:
                return _ENDPOINT_PREFIX[flow] + guid
        raise LookupError(f'no {flow} endpoint named {friendly_name!r} in Wine\'s list')

    def set_default_device(self, sink):
        """Makes `sink` Wine's default output, and its monitor the default
        input, which the loopback shim hands out for the default output;
        None goes back to PulseAudio's defaults. Wine tells its programs
        when this registry key changes (a PulseAudio default switch never
        reaches them); both values change in one import, so that a program
        sees one change."""
        if sink is None:
            values = {'DefaultInput': '-', 'DefaultOutput': '-'}
        else:
            values = {'DefaultInput': f'"{self.endpoint_id("Capture", f"Monitor of {sink}")}"',
                      'DefaultOutput': f'"{self.endpoint_id("Render", sink)}"'}
        with tempfile.NamedTemporaryFile('w', dir=self.dir, suffix='.reg', encoding='utf-16') as changes:
            changes.write('Windows Registry Editor Version 5.00\r\n\r\n'
                          f'[{WINEPULSE_KEY.replace("HKCU", "HKEY_CURRENT_USER")}]\r\n' +
                          ''.join(f'"{name}"={value}\r\n' for name, value in values.items()))
            changes.flush()
            self.command(['wine', 'reg', 'import', changes.name])
