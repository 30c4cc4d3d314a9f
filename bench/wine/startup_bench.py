"""kestro.exe's start-up under the Wine test bed, against a minimal Win32
program that shows a window of the same size and style, measured the same
way in the same run.

Start-up is the time from starting `wine PROGRAM` to the program's window
being visible with its first frame: mapped on the X display and showing the
background colour both programs paint at a point of the window that nothing
else covers, as seen by one X client (window_shown_watch) for both. Wine's
desktop is kept up throughout (desktop_holder.exe), as on a running system.
The programs run alternately, after one unmeasured run of each (cold
caches); the goal compares the medians.

    startup_bench.py HELPERS_DIR [RUNS]   (the bed up; HELPERS_DIR holds
        window_shown_watch, minimal_window.exe and desktop_holder.exe)
"""

import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / 'tests' / 'e2e'))
import testbed as bed  # noqa: E402
from kestro_app import dist_dir  # noqa: E402

BACKGROUND = '181c26'  # RGB(24, 28, 38): the stand-in view's and the minimal window's
POINT = (640, 700)  # window coordinates inside the client area, below any text
GOAL = 1.5  # kestro.exe's median at most this many times the minimal program's
TIMEOUT_SECONDS = 60


def time_to_shown(testbed, watcher, program, title):
    """Seconds from starting `program` to its window shown."""
    watch = subprocess.Popen([watcher, title, BACKGROUND, *map(str, POINT), str(TIMEOUT_SECONDS)],
                             env=testbed.env, stdout=subprocess.PIPE, text=True)
    if watch.stdout.readline().strip() != 'ready':
        raise RuntimeError('the window watcher did not start')
    with tempfile.TemporaryFile(dir=testbed.dir) as stderr:
        start = time.monotonic()
        process = subprocess.Popen(['wine', str(program)], env=testbed.env, cwd=testbed.dir,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr)
        try:
            shown = watch.stdout.readline().strip()
            watch.wait(10)
        finally:
            process.send_signal(signal.SIGKILL)
            process.wait(30)
        if not shown:
            stderr.seek(0)
            raise RuntimeError(f'{program.name}: window not shown: {stderr.read().decode(errors="replace")}')
    # The killed program's windows and Wine's clean-up go before the next start.
    time.sleep(0.5)
    return float(shown) - start


def main():
    helpers = Path(sys.argv[1]).resolve()
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 21
    testbed = bed.Testbed(bed.load_environment())
    watcher = helpers / 'window_shown_watch'
    programs = [('kestro.exe', dist_dir() / 'kestro.exe', 'kestro'),
                ('minimal window', helpers / 'minimal_window.exe', 'minimal window')]
    times = {name: [] for name, _, _ in programs}
    holder = subprocess.Popen(['wine', str(helpers / 'desktop_holder.exe')], env=testbed.env, cwd=testbed.dir,
                              stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for run in range(runs + 1):
            for name, program, title in programs:
                seconds = time_to_shown(testbed, watcher, program, title)
                if run > 0:
                    times[name].append(seconds)
    finally:
        holder.stdin.close()
        holder.wait(30)
    print('start-up under Wine, from "wine PROGRAM" to its window mapped and painted (X11 watcher); ms:')
    for name, measured in times.items():
        print(f'  {name:16} median {statistics.median(measured) * 1000:7.1f}   runs '
              + ' '.join(f'{seconds * 1000:.0f}' for seconds in measured))
    ratio = statistics.median(times['kestro.exe']) / statistics.median(times['minimal window'])
    print(f'goal: start-up under Wine, kestro.exe vs a minimal Win32 window: {ratio:.2f}x '
          f'(goal <= {GOAL:.2f}x): {"met" if ratio <= GOAL else "not met"}')
    sys.stdout.flush()


if __name__ == '__main__':
    sys.exit(main())
