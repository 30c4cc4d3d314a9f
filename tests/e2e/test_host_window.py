"""The top-level window of kestro.exe as the UI sees it: shown only after
the first frame, frameless, placed in 96-DPI units, the view filling the
client area, and window messages offered to the engine first.
"""

from kestro_app import MAIN_ENGINE
from ui_port import WM_FONTCHANGE, WM_SIZE

WS_POPUP = 0x80000000
WS_THICKFRAME = 0x00040000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_VISIBLE = 0x10000000


def rect(left, top, right, bottom):
    return {'left': left, 'top': top, 'right': right, 'bottom': bottom}


def size(rectangle):
    return rectangle['right'] - rectangle['left'], rectangle['bottom'] - rectangle['top']


class TestShownAfterFirstFrame:
    def test_hidden_until_the_engine_renders_a_frame(self, kestro):
        before = kestro.before_first_frame
        assert before['frames_rendered'] == 0
        assert before['window']['visible'] is False
        assert int(before['window']['style']) & WS_VISIBLE == 0

    def test_then_visible_in_its_normal_state(self, kestro):
        engine = kestro.engine()
        assert engine['frames_rendered'] >= 1
        assert engine['window']['visible'] is True
        assert engine['window']['show_state'] == 'normal'


class TestFramelessWindow:
    def test_popup_with_a_resizable_frame_and_no_caption(self, kestro):
        style = int(kestro.window()['style'])
        assert style & (WS_POPUP | WS_THICKFRAME) == WS_POPUP | WS_THICKFRAME
        assert style & WS_CAPTION == 0
        assert style & WS_SYSMENU == 0

    def test_titled_kestro(self, kestro):
        assert kestro.window()['title'] == 'kestro'


def test_placed_at_10_10_with_1280_by_720_at_96_dpi(kestro):
    window = kestro.window()
    assert window['dpi'] == 96
    assert window['window_rect'] == rect(10, 10, 1290, 730)


class TestViewFillsClientArea:
    def test_from_creation(self, kestro):
        engine = kestro.engine()
        window = engine['window']
        assert window['view_rect'] == window['client_rect']
        width, height = size(window['client_rect'])
        assert (engine['view']['width'], engine['view']['height']) == (width, height)
        assert width > 0 and height > 0

    def test_after_each_resize(self, kestro):
        try:
            for width, height in ((1000, 600), (640, 480), (1200, 700)):
                assert kestro.port.resize_window(MAIN_ENGINE, width, height)
                window = kestro.window()
                assert size(window['window_rect']) == (width, height)
                assert window['view_rect'] == window['client_rect']
                client_width, client_height = size(window['client_rect'])
                assert 0 < client_width <= width and 0 < client_height <= height
        finally:
            kestro.port.resize_window(MAIN_ENGINE, 1280, 720)


class TestMessagesTheEngineConsumes:
    """A message the engine answers itself never reaches the window's own handling."""

    def test_consumed_resize_leaves_the_view_where_it_was(self, kestro):
        before = kestro.window()
        try:
            assert kestro.port.consume_window_message(MAIN_ENGINE, WM_SIZE)
            assert kestro.port.resize_window(MAIN_ENGINE, 900, 500)
            window = kestro.window()
            assert size(window['window_rect']) == (900, 500)
            assert window['view_rect'] == before['view_rect'] != window['client_rect']
        finally:
            kestro.port.stop_consuming_window_message(MAIN_ENGINE, WM_SIZE)
        # Handled by the window again: the view catches up with the next size.
        assert kestro.port.resize_window(MAIN_ENGINE, 1280, 720)
        window = kestro.window()
        assert window['view_rect'] == window['client_rect']

    def test_consumed_font_change_does_not_reload_fonts(self, kestro):
        reloads = kestro.engine()['fonts_reloads']
        try:
            assert kestro.port.consume_window_message(MAIN_ENGINE, WM_FONTCHANGE)
            assert kestro.port.send_font_change(MAIN_ENGINE)
            assert kestro.engine()['fonts_reloads'] == reloads
        finally:
            kestro.port.stop_consuming_window_message(MAIN_ENGINE, WM_FONTCHANGE)


def test_font_change_reloads_the_engines_fonts(kestro):
    reloads = kestro.engine()['fonts_reloads']
    assert kestro.port.send_font_change(MAIN_ENGINE)
    assert kestro.engine()['fonts_reloads'] == reloads + 1
    assert kestro.port.send_font_change(MAIN_ENGINE)
    assert kestro.engine()['fonts_reloads'] == reloads + 2

