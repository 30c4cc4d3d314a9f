"""Capture protection in the real kestro.exe under Wine 8, where
SetWindowDisplayAffinity is a stub that always fails: every request to
hide the window answers false, the window stays shown (affinity 0 reads as
not excluded), the channel never answers with an error, and each refusal
leaves a line on standard error naming the call and its last error.
"""

import re

import pytest

import kestro_codec as codec
from helpers.shown_kestro import shown_kestro  # noqa: F401 (a fixture)
from kestro_app import MAIN_ENGINE

PROTECTION = 'kestro/capture_protection'
AFFINITY_FAILED = re.compile(r'Error: SetWindowDisplayAffinity failed: 0x[0-9A-F]{8}')


def call(app, method, *arguments):
    return app.port.call(MAIN_ENGINE, PROTECTION, method, *arguments)


def test_installed_on_the_main_engine(shown_kestro):
    assert PROTECTION in shown_kestro.engine()['channels']


@pytest.mark.parametrize('arguments', [(True,), (False,), (), ({'exclude': False},), ('yes',)],
                         ids=['true', 'false', 'none', 'map', 'string'])
def test_refused_change_answers_false(shown_kestro, arguments):
    assert call(shown_kestro, 'set_exclude_from_capture', *arguments) == codec.Success(False)
    assert call(shown_kestro, 'get_exclude_from_capture') == codec.Success(False)


def test_each_refusal_leaves_a_line_with_the_last_error(shown_kestro):
    def refusals():
        return [line for line in shown_kestro.stderr_lines if AFFINITY_FAILED.fullmatch(line)]

    before = len(refusals())
    assert call(shown_kestro, 'set_exclude_from_capture', True) == codec.Success(False)
    # Written on the platform thread before the answer.
    assert len(refusals()) == before + 1, shown_kestro.stderr_lines


def test_query_ignores_its_arguments(shown_kestro):
    assert call(shown_kestro, 'get_exclude_from_capture', {'exclude': True}) == codec.Success(False)


def test_other_methods_are_not_implemented(shown_kestro):
    for method in ('SET_EXCLUDE_FROM_CAPTURE', 'get_exclude_from_capture ', 'exclude'):
        assert call(shown_kestro, method, True) == codec.Empty()
