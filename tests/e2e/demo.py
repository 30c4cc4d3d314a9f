"""The demonstration's UI side: starts kestro.exe on the Wine test bed (which
must be up), plays the user interface through the UI port, and tells what
it sees, the three native services and a secondary window included. System
audio gets tones played into the bed's sink and tells what the chunks carry
(with a spectrogram of each capture in build/demo/), or, on a bed with Wine's
own render loopback, Wine's refusal. Usage: demo.py SCREENSHOT.png
[ARGUMENT...]; the exit code is kestro.exe's, or 1 when the demonstration
could not run.
"""

import math
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import kestro_codec as codec
import system_audio as audio
import tone_analysis as tones
import testbed as bed
from helpers.programs import Clipboard, Notepad
from kestro_app import MAIN_ENGINE, KestroApp
from ui_port import NO_HANDLER, RESTORE_WINDOW, UiPortError

AUDIO = audio.AUDIO
DEMO_DIR = bed.REPO / 'build' / 'demo'
TONE_HZ = 1000
HIGH_HZ, ALIAS_HZ = audio.HIGH_HZ, audio.ALIAS_HZ
PROTECTION = 'kestro/capture_protection'
INSERTION = 'kestro/text_insertion'
MULTI_WINDOW = 'standin/DesktopMultiWindowPlugin'
PASTED = 'h\u00e9llo w\u00f6rld \U0001F600 \u2713'


def say(text=''):
    print(text, flush=True)


def show_start(app, engine):
    say(f'kestro.exe started; the engine got the arguments {app.args!r} after the program path')
    arguments = engine.get('entrypoint_arguments')
    if arguments is not None:
        say(f'  the engine recorded them as {arguments!r}')
    window = engine['window']
    say(f'before the first frame: window {window["title"]!r} visible={window["visible"]}, '
        f'frames rendered={engine["frames_rendered"]}')


def show_window(engine):
    window = engine['window']
    rect = window['window_rect']
    say(f'after the first frame: visible={window["visible"]}, show state {window["show_state"]}, '
        f'style {int(window["style"]):#010x}, at ({rect["left"]}, {rect["top"]}) '
        f'size {rect["right"] - rect["left"]}x{rect["bottom"] - rect["top"]}, {window["dpi"]} DPI')
    view = engine['view']
    say(f'the view is {view["width"]}x{view["height"]}, filling the client area '
        f'{window["client_rect"]["right"]}x{window["client_rect"]["bottom"]}')


def show_channels(app, engine):
    say(f'plug-ins registered, in order ({len(engine["registrars"])}):')
    for name in engine['registrars']:
        answer = app.port.call(MAIN_ENGINE, f'standin/{name}', 'ping')
        say(f'  {name:34} its channel answers ping with {answer.result!r}')
    say('channels installed on the engine:')
    for channel in engine['channels']:
        say(f'  {channel}')
    supported = app.port.call(MAIN_ENGINE, AUDIO, 'is_supported')
    say(f'"{AUDIO}" is_supported -> {supported}')
    listened = app.port.send(MAIN_ENGINE, f'{AUDIO}_events', codec.listen_call()).reply()
    cancelled = app.port.send(MAIN_ENGINE, f'{AUDIO}_events', codec.cancel_call()).reply()
    say(f'"{AUDIO}_events" listen -> {listened}, cancel -> {cancelled}')


def show_capture_protection(app):
    hidden = app.port.call(MAIN_ENGINE, PROTECTION, 'set_exclude_from_capture', True)
    excluded = app.port.call(MAIN_ENGINE, PROTECTION, 'get_exclude_from_capture')
    say(f'"{PROTECTION}" set_exclude_from_capture true -> {hidden}, get_exclude_from_capture -> {excluded}')
    say('  (Wine stubs SetWindowDisplayAffinity: it always fails, so the window cannot be hidden here)')


def show_minimised(app):
    """The paste minimises kestro's window, which holds the view."""
    window = app.window()
    say(f'  kestro\'s window is {window["show_state"]}')
    if window['show_state'] == 'minimised':
        app.port.action(RESTORE_WINDOW, MAIN_ENGINE)
        say('  restored the window')


def show_text_insertion(app):
    say('starting notepad, then bringing it to the front as the application the user works in')
    notepad = Notepad(app.testbed)
    try:
        notepad.bring_to_front()
        pasted = app.port.call(MAIN_ENGINE, INSERTION, 'paste_text', {'text': PASTED})
        say(f'"{INSERTION}" paste_text {PASTED!r} -> {pasted}')
        say(f'  notepad now holds {notepad.wait_for_text(PASTED)!r}')
        say(f'  the clipboard holds {app.testbed.clipboard_text()!r}')
        show_minimised(app)
        show_paste_options(app, notepad)
    finally:
        notepad.end()


def show_paste_options(app, notepad):
    """One paste with the three optional keys, Shift held down meanwhile."""
    clipboard = Clipboard(app.testbed)
    clipboard.put('copied before', '<b>copied before</b>')
    say(f'another program put {clipboard.text()!r} (and "HTML Format") on the clipboard')
    notepad.bring_to_front()
    app.testbed.command(['xdotool', 'keydown', 'shift'])
    try:
        options = {'text': ' again', 'exclude_from_history': True, 'restore_clipboard': True,
                   'restore_delay_ms': 3000, 'release_modifiers': True}
        pasted = app.port.call(MAIN_ENGINE, INSERTION, 'paste_text', options)
    finally:
        app.testbed.command(['xdotool', 'keyup', 'shift'])
    say(f'with Shift held down: "{INSERTION}" paste_text {options!r} -> {pasted}')
    say(f'  notepad now holds {notepad.wait_for_text(PASTED + " again")!r} (a clean Ctrl+V)')
    formats = clipboard.formats()
    markers = {name: data.hex() for name, data in formats.items() if isinstance(name, str) and 'Clipboard' in name}
    say(f'  right after the answer the clipboard holds {clipboard.text()!r} with {markers}')
    deadline = time.monotonic() + 10
    while clipboard.text() != 'copied before' and time.monotonic() < deadline:
        time.sleep(0.2)
    say(f'  3 s later it holds {clipboard.text()!r} again, "HTML Format" '
        f'{clipboard.formats().get("HTML Format", b"").rstrip(bytes(1)).decode()!r}')
    show_minimised(app)


def show_audio_status(app, when):
    status = audio.status(app.port)
    code = status['hresult']
    say(f'  {when}: state {status["state"]!r}, error {status["error"]!r}, '
        f'hresult {"null" if code is None else f"{int(code.value):#010x}"}, device {status["device"]!r}, '
        f'format {status["format"]}')
    counts = ('chunks_emitted', 'chunks_dropped', 'silence_ms', 'device_switches')
    say('    ' + ', '.join(f'{name} {status[name].value}' for name in counts if name in status))
    extra = {name: value for name, value in status.items() if name not in counts + ('state', 'error', 'hresult',
                                                                                      'device', 'format')}
    if extra:
        say(f'    and {extra}')
    return status


def spectrogram(chunks, name, title):
    """A sox spectrogram of the chunks as build/demo/system-audio-NAME.png."""
    png = DEMO_DIR / f'system-audio-{name}.png'
    with tempfile.NamedTemporaryFile(suffix='.raw') as raw:
        raw.write(b''.join(chunks))
        raw.flush()
        subprocess.run(['sox', '-t', 'raw', '-r', str(audio.RATE), '-e', 'signed-integer', '-b', '16', '-c', '1',
                        '-L', raw.name, '-n', 'spectrogram', '-t', title, '-o', str(png)], check=True)
    return png


def describe_capture(chunks, name, title, tone_hz=None):
    """Prints what arrived: chunks, dominant frequency, level, and the
    signal to noise of each quarter second against one steady tone."""
    sizes = sorted({len(chunk) for chunk in chunks})
    values = tones.sounding(tones.samples(chunks))
    say(f'  {len(chunks)} chunk events arrived, of {" and ".join(map(str, sizes)) or "no"} bytes')
    if values:
        frequency = tones.dominant_frequency(values, audio.RATE)
        say(f'  dominant frequency {frequency:.1f} Hz, level {tones.level_db(values):.2f} dB of full scale')
        if tone_hz:
            ratios = tones.snr_per_window(values, tone_hz, audio.RATE)
            say(f'  signal to noise per quarter second: {min(ratios, default=0):.1f} dB at worst, '
                f'{len(ratios)} windows (a gap or repeat would fall below 40 dB)')
    say(f'  spectrogram: {spectrogram(chunks, name, title)}')


def show_refused_loopback(app):
    """A bed brought up with KESTRO_TESTBED_WINE_LOOPBACK=1: Wine's own refusal."""
    started = audio.start(app.port, chunk_ms=100, keep_alive=True)
    say(f'"{AUDIO}" start in 100 ms chunks with keep-alive -> {started}; listening for 2 s')
    say(f'  {len(audio.events_within(app.port, 2.0))} chunk events arrived: Wine\'s render loopback refuses the '
        'capture client (this bed runs without its loopback shim)')
    show_audio_status(app, 'and "get_status" says why')
    say(f'"{AUDIO}" stop -> {audio.stop(app.port)}')
    show_audio_status(app, 'after stop')


def show_tone(app):
    say(f'a {TONE_HZ} Hz tone at half of full scale ({tones.decibels(0.5):.2f} dB) plays into the bed\'s sink '
        f'{app.testbed.env["KESTRO_TESTBED_SINK"]}; the bed\'s loopback shim hands kestro.exe its monitor as the '
        'default output device')
    with app.testbed.tone(TONE_HZ, 0.5):
        started = audio.start(app.port, chunk_ms=100)
        say(f'"{AUDIO}" start in 100 ms chunks -> {started}; taking 2 s of chunks')
        chunks = audio.chunks_until(app.port, 20, audio.FIRST_CHUNK_TIMEOUT + 2)
        show_audio_status(app, 'while capturing, "get_status"')
        say(f'"{AUDIO}" stop -> {audio.stop(app.port)}')
    describe_capture(chunks, 'tone', f'{TONE_HZ} Hz tone, standard quality', TONE_HZ)


def show_alias(app):
    say(f'a {HIGH_HZ} Hz tone, above the chunks\' 8 kHz limit, in both qualities side by side:')
    qualities = [('standard', {}), ('high', {'quality': 'high'})]
    with app.testbed.tone(HIGH_HZ, 0.5):
        for name, options in qualities:
            started, chunks = audio.capture(app.port, 1.0, **options)
            values = tones.samples(chunks)[audio.RATE // 10:]
            alias = tones.Tone(values, ALIAS_HZ, audio.RATE).level_db
            if alias == -math.inf:
                say(f'  "{name}" ({started}): no {ALIAS_HZ} Hz alias at all: every sample after '
                    'the first 0.1 s is 0 (only the tone\'s onset, a click, passes the filter)')
            else:
                say(f'  "{name}" ({started}): the {ALIAS_HZ} Hz alias at {alias:.1f} dB of full scale, '
                    f'{tones.decibels(0.5) - alias:.1f} dB below the tone played')
            describe_capture(chunks, f'{HIGH_HZ // 1000}khz-{name}', f'{HIGH_HZ} Hz tone, {name} quality')


def show_exclusion_fallback(app):
    say('"exclude_own_audio": true asks for everything but kestro\'s own sound; Wine has no process loopback')
    with app.testbed.tone(TONE_HZ, 0.5):
        started = audio.start(app.port, chunk_ms=100, exclude_own_audio=True)
        chunks = audio.chunks_until(app.port, 10, audio.FIRST_CHUNK_TIMEOUT + 1)
        status = show_audio_status(app, f'start -> {started}, then "get_status"')
        audio.stop(app.port)
    say(f'  mode {status["mode"]!r}, exclusion_error {status.get("exclusion_error")!r}')
    describe_capture(chunks, 'exclude-own-audio', f'{TONE_HZ} Hz tone, exclude_own_audio fallback', TONE_HZ)


def show_system_audio(app):
    audio.listen(app.port)
    if app.testbed.loopback_shim:
        show_tone(app)
        show_alias(app)
        show_exclusion_fallback(app)
    else:
        show_refused_loopback(app)
    audio.cancel(app.port)


def show_secondary_window(app):
    """A window the multi-window plug-in opens gets the plug-ins and its own
    window services, and no system audio."""
    known = {int(engine['id']) for engine in app.port.state()['engines']}
    opened = app.port.call(MAIN_ENGINE, MULTI_WINDOW, 'create_window', {'with_view': True})
    say(f'"{MULTI_WINDOW}" create_window -> {opened}')
    engine = next(engine for engine in app.port.state()['engines'] if int(engine['id']) not in known)
    engine_id = int(engine['id'])
    app.port.render_frame(engine_id)
    engine = app.engine(engine_id)
    say(f'  its engine {engine_id}, window {engine["window"]["title"]!r} '
        f'(handle {int(engine["window"]["handle"]):#x}; the main window is {int(app.window()["handle"]):#x})')
    say(f'  plug-ins registered on it, in order: {", ".join(engine["registrars"])}')
    say(f'  its channels: {", ".join(engine["channels"])}')
    hidden = app.port.call(engine_id, PROTECTION, 'set_exclude_from_capture', True)
    say(f'  "{PROTECTION}" on it: set_exclude_from_capture true -> {hidden} (Wine refuses, as above)')
    outcome = app.port.send(engine_id, AUDIO, codec.encode_call('is_supported')).outcome
    say(f'  "{AUDIO}" on it: {"no handler" if outcome == NO_HANDLER else f"outcome {outcome}"}')
    closed = app.port.call(MAIN_ENGINE, MULTI_WINDOW, 'close_window', opened.result['window'])
    say(f'"{MULTI_WINDOW}" close_window -> {closed}; its engine is alive: {app.engine(engine_id)["alive"]}')


def screenshot(app, window, path):
    """The window's part of the display, as a PNG."""
    rect = window['window_rect']
    geometry = f'{rect["right"] - rect["left"]}x{rect["bottom"] - rect["top"]}+{rect["left"]}+{rect["top"]}'
    path.parent.mkdir(parents=True, exist_ok=True)
    app.testbed.command(['import', '-window', 'root', '-crop', geometry, '+repage', str(path)])
    say(f'screenshot of the window: {path}')


def main(png, *arguments):
    app = KestroApp(bed.Testbed(bed.load_environment()), arguments, env={'KESTRO_STANDIN_HOLD_FRAMES': '1'})
    try:
        app.connect()
        app.engine()  # waits until the engine exists
        engine = app.wait_until(lambda engine: engine['window'] is not None, 'the view in its window')
        show_start(app, engine)
        app.port.render_frame(MAIN_ENGINE)
        engine = app.wait_until(lambda engine: engine['window']['visible'], 'the window shown')
        show_window(engine)
        show_channels(app, engine)
        screenshot(app, engine['window'], Path(png).resolve())
        show_capture_protection(app)
        show_text_insertion(app)
        show_system_audio(app)
        show_secondary_window(app)
        say('closing the window')
        app.port.close_window(MAIN_ENGINE)
        exit_code = app.wait(30)
    finally:
        app.kill()
    say(f'kestro.exe exited with {exit_code}')
    lines = app.stderr_lines
    if lines:
        say('its standard error:')
        for line in lines:
            say(f'  {line}')
    return exit_code


if __name__ == '__main__':
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    try:
        sys.exit(main(*sys.argv[1:]))
    except Exception as error:  # the demo tells what went wrong instead of a trace
        print(f'demo: {error}', file=sys.stderr)
        sys.exit(1)
