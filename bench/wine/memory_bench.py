"""kestro.exe's resident memory under the Wine test bed while system audio
sends chunk events: the UI peer listens on "kestro/system_audio_events" and
starts capture (80 ms chunks, the most events) through the stand-in
engine's UI port, and receives every event while a tone plays into the
bed's null sink. Resident memory is read from /proc after start-up (once
capture has run for the soaks' warm-up, a tenth of the run and at most
30 s) and at the end; the goal is growth under 5%. The stand-in engine's
record of sends, kept for its test API up to 4096 messages (about 10 MiB of
chunks), is forgotten every FORGET_EVERY events, as the native soak does,
so that it does not pass for kestro.exe's growth.

    memory_bench.py SECONDS   (the bed up with its loopback shim, a tone playing)
"""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / 'tests' / 'soak'))
import soak_common as soak  # noqa: E402  (puts tests/e2e on the path)
import kestro_codec as codec  # noqa: E402
import testbed as bed  # noqa: E402
from helpers.shown_kestro import start as start_kestro  # noqa: E402
from kestro_app import MAIN_ENGINE  # noqa: E402
from ui_port import FORGET_SENT_MESSAGES, UiPortError  # noqa: E402
from window_soak import windows_pid  # noqa: E402

AUDIO = 'kestro/system_audio'
AUDIO_EVENTS = 'kestro/system_audio_events'
CHUNK_MS = 80
FORGET_EVERY = 100
GOAL_PERCENT = 5.0


def main():
    duration = float(sys.argv[1])
    app = start_kestro(bed.Testbed(bed.load_environment()))
    events = 0
    sounding = 0  # events with a sample other than zero: the tone arrived
    try:
        pid = windows_pid(app.process, 'kestro.exe')
        rss_shown = soak.resident_kib(pid)
        if app.port.send(MAIN_ENGINE, AUDIO_EVENTS, codec.listen_call()).reply() != codec.Success(None):
            raise RuntimeError('"listen" on the events channel failed')
        started = app.port.call(MAIN_ENGINE, AUDIO, 'start', {'chunk_ms': CHUNK_MS})
        if started != codec.Success(True):
            raise RuntimeError(f'"start" answered {started}')
        clock = soak.Clock(duration)
        rss_start = None
        while (left := clock.left()) > 0:
            if rss_start is None and clock.elapsed() >= soak.warm_up_seconds(duration):
                rss_start, events_start = soak.resident_kib(pid), events
            try:
                message = app.port.next_host_message(timeout=min(left, 1.0))
            except UiPortError:
                if app.port.closed_reason:
                    raise
                continue
            if message.channel != AUDIO_EVENTS:
                continue
            event = codec.decode_reply(message.data)
            if isinstance(event, codec.Success):
                events += 1
                sounding += any(event.result)
                if events % FORGET_EVERY == 0:
                    app.port.action(FORGET_SENT_MESSAGES, MAIN_ENGINE)
        rss_end = soak.resident_kib(pid)
        if rss_start is None:
            rss_start, events_start = rss_end, events
        status = app.port.call(MAIN_ENGINE, AUDIO, 'get_status')
        app.port.call(MAIN_ENGINE, AUDIO, 'stop')
    finally:
        exit_code = app.stop()
    errors = [line for line in app.stderr_lines if line.startswith('Error')]
    print(f'kestro.exe under Wine, {duration:.0f} s of {CHUNK_MS} ms chunk events to the UI peer:')
    print(f'  events received: {events} ({events - events_start} after the first reading, {sounding} not silent)')
    print(f'  resident memory: shown {rss_shown} KiB, after start-up {rss_start} KiB, at the end {rss_end} KiB')
    print(f'  capture status at the end: {status}')
    print(f'  exit code {exit_code}; error lines: {errors[:5]}')
    growth = (rss_end - rss_start) / rss_start * 100
    # Without sound arriving nothing was measured: never "met".
    met = sounding > 0 and growth < GOAL_PERCENT
    print(f'goal: kestro.exe resident memory growth over {duration:.0f} s of chunk events under Wine: '
          f'{growth:.2f}% (goal <= {GOAL_PERCENT:.2f}%): {"met" if met else "not met"}')
    sys.stdout.flush()
    return 0 if sounding > 0 and exit_code == 0 else 1


if __name__ == '__main__':
    sys.exit(main())
