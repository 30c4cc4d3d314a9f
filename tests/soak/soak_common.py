"""What both soaks share: the UI peer's modules, resident memory from /proc,
and the closing report."""

import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / 'tests' / 'e2e'))

# Memory may grow by less than this share between the two readings.
MAX_GROWTH = 0.05


def resident_kib(pid):
    """VmRSS of a process, in KiB."""
    for line in Path(f'/proc/{pid}/status').read_text().splitlines():
        if line.startswith('VmRSS:'):
            return int(line.split()[1])
    raise RuntimeError(f'no VmRSS for process {pid}')


def warm_up_seconds(duration):
    """Time allowed for start-up allocations before the first reading."""
    return min(30.0, duration / 10)


class Clock:
    """The run's deadline, and what is left of it."""

    def __init__(self, duration):
        self.start = time.monotonic()
        self.deadline = self.start + duration

    def left(self):
        return self.deadline - time.monotonic()

    def elapsed(self):
        return time.monotonic() - self.start


def report(name, figures, failures, rss_start, rss_end):
    """Prints the figures and the verdict; the exit code."""
    growth = (rss_end - rss_start) / rss_start if rss_start else 0.0
    if growth >= MAX_GROWTH:
        failures.append(f'resident memory grew by {growth:.1%} (limit {MAX_GROWTH:.0%})')
    print(f'== {name} soak')
    for label, value in figures:
        print(f'{label}: {value}')
    print(f'resident memory at start: {rss_start} KiB')
    print(f'resident memory at end: {rss_end} KiB ({growth:+.2%})')
    for failure in failures:
        print(f'FAILED: {failure}')
    print(f'{name} soak: {"FAILED" if failures else "passed"}')
    sys.stdout.flush()
    return 1 if failures else 0
