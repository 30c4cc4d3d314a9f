"""The demonstration's UI side: starts kestro.exe on the Wine test bed (which
must be up), plays the user interface through the UI port, and tells what
it sees. Usage: demo.py SCREENSHOT.png [ARGUMENT...]; the exit code is
kestro.exe's, or 1 when the demonstration could not run.
"""

import sys
from pathlib import Path

import kestro_codec as codec
import testbed as bed
from kestro_app import MAIN_ENGINE, KestroApp

AUDIO = 'kestro/system_audio'


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
        engine = app.wait_until(lambda engine: engine['window'] is not None, 'the view in its window')
        show_start(app, engine)
        app.port.render_frame(MAIN_ENGINE)
        engine = app.wait_until(lambda engine: engine['window']['visible'], 'the window shown')
        show_window(engine)
        show_channels(app, engine)
        screenshot(app, engine['window'], Path(png).resolve())
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
