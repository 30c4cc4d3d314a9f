"""kestro.exe on a 120-DPI screen: the window's 96-DPI start-up placement
is scaled by 1.25.

The DPI is a setting of the whole prefix, so it is changed in a copy of the
bed's prefix (hard links; registry files copied, since only they are
rewritten), which gets its own wineserver: other tests on the bed keep 96.
"""

import os
import shutil
import subprocess
from pathlib import Path

import pytest

from kestro_app import KestroApp
import testbed as bed

SCREEN_WIDTH = 1280  # the bed's Xvfb screen


@pytest.fixture(scope='module')
def bed_at_120_dpi(testbed):
    prefix = testbed.dir / 'prefix-120-dpi'
    shutil.rmtree(prefix, ignore_errors=True)
    shutil.copytree(testbed.env['WINEPREFIX'], prefix, symlinks=True, copy_function=os.link)
    for registry in prefix.glob('*.reg'):
        registry.unlink()
        shutil.copy2(Path(testbed.env['WINEPREFIX']) / registry.name, registry)
    env = dict(testbed.env, WINEPREFIX=str(prefix))
    try:
        subprocess.run(['wine', 'reg', 'add', r'HKCU\Control Panel\Desktop', '/v', 'LogPixels', '/t', 'REG_DWORD',
                        '/d', '120', '/f'], env=env, check=True, capture_output=True, timeout=60)
        yield bed.Testbed(env)
    finally:
        subprocess.run(['wineserver', '-k'], env=env, capture_output=True, timeout=30)
        # Debian's Wine names the server's /tmp folder in the prefix; the
        # copy's server keeps its socket there under the copy's inode.
        name = prefix / 'wineserver'
        if name.is_file():
            status = prefix.stat()
            shutil.rmtree(Path('/tmp', name.read_text().strip(), f'server-{status.st_dev:x}-{status.st_ino:x}'),
                          ignore_errors=True)
        shutil.rmtree(prefix, ignore_errors=True)


def test_start_up_window_is_scaled_by_five_quarters(bed_at_120_dpi, dist):
    app = KestroApp(bed_at_120_dpi)
    try:
        app.connect()
        engine = app.wait_until(lambda engine: engine['window'] is not None and engine['window']['visible'],
                                'the window shown')
        window = engine['window']
        assert window['dpi'] == 120
        rect = window['window_rect']
        assert (rect['left'], rect['top']) == (12, 12)
        width, height = rect['right'] - rect['left'], rect['bottom'] - rect['top']
        assert height == 900
        # 1600 is wider than the screen; the system may narrow a window to
        # the screen plus its frame, as Wine does here.
        assert width == 1600 or SCREEN_WIDTH <= width < 1600
        assert window['view_rect'] == window['client_rect']
        assert app.stop() == 0
    finally:
        app.kill()
