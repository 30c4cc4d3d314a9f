"""Capture protection in the real kestro.exe under Wine 8, where
SetWindowDisplayAffinity is a stub that always fails: every request to
hide the window answers false, the window stays shown (affinity 0 reads as
not excluded), and the channel never answers with an error.
"""

import pytest

import kestro_codec as codec
from helpers.shown_kestro import shown_kestro  # noqa: F401 (a fixture)
from kestro_app import MAIN_ENGINE

PROTECTION = 'kestro/capture_protection'


def call(app, method, *arguments):
    return app.port.call(MAIN_ENGINE, PROTECTION, method, *arguments)


def test_installed_on_the_main_engine(shown_kestro):
    assert PROTECTION in shown_kestro.engine()['channels']


@pytest.mark.parametrize('arguments', [(True,), (False,), (), ({'exclude': False},), ('yes',)],
                         ids=['true', 'false', 'none', 'map', 'string'])
def test_refused_change_answers_false(shown_kestro, arguments):
    assert call(shown_kestro, 'set_exclude_from_capture', *arguments) == codec.Success(False)
    assert call(shown_kestro, 'get_exclude_from_capture') == codec.Success(False)


def test_query_ignores_its_arguments(shown_kestro):
    assert call(shown_kestro, 'get_exclude_from_capture', {'exclude': True}) == codec.Success(False)


def test_other_methods_are_not_implemented(shown_kestro):
    for method in ('SET_EXCLUDE_FROM_CAPTURE', 'get_exclude_from_capture ', 'exclude'):
        assert call(shown_kestro, method, True) == codec.Empty()
