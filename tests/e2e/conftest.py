"""End-to-end tests: the UI peer's codec, and programs run on the Wine test bed.

Run them with Debian's interpreter, which has pytest (the python3 first on
PATH may be another one without it):

    tests/e2e/run.sh [pytest arguments]      # = /usr/bin/python3 -m pytest tests/e2e

Tests that need the Wine test bed skip when it is not up; bring it up first
with scripts/testbed/up.sh (and down with scripts/testbed/down.sh). With
KESTRO_E2E_REQUIRE_BED=1 a missing bed fails those tests instead.

The codec cross-check runs the C++ codec through kestro-wire: $KESTRO_WIRE,
or the first of build/testbed-native, build/native that has it built.
"""

import os
import subprocess

import pytest

import testbed as bed


@pytest.fixture(scope='session')
def testbed():
    try:
        return bed.Testbed(bed.load_environment())
    except bed.TestbedUnavailable as missing:
        if os.environ.get('KESTRO_E2E_REQUIRE_BED') == '1':
            pytest.fail(str(missing))
        pytest.skip(str(missing))


@pytest.fixture(scope='session')
def smoke_exe(testbed):
    """tests/windows/smoke/smoke.c, cross-built once per session."""
    source = bed.REPO / 'tests' / 'windows' / 'smoke' / 'smoke.c'
    exe = testbed.dir / 'smoke' / 'smoke.exe'
    exe.parent.mkdir(exist_ok=True)
    subprocess.run(['x86_64-w64-mingw32-gcc-posix', '-std=c11', '-O2', '-Wall', '-Wextra', '-Wpedantic',
                    '-Werror', '-municode', '-mwindows', '-static-libgcc', '-o', str(exe), str(source)],
                   check=True)
    return exe
