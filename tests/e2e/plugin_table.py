"""The plug-in table of shell/plugin_table.txt, as the build reads it."""

from collections import namedtuple

import testbed as bed

Plugin = namedtuple('Plugin', 'library registrar_name function')


def plugins():
    """The rows, in registration order."""
    rows = []
    for line in (bed.REPO / 'shell' / 'plugin_table.txt').read_text().splitlines():
        if line.strip() and not line.startswith('#'):
            rows.append(Plugin(*line.split()))
    return rows


REGISTRAR_NAMES = tuple(plugin.registrar_name for plugin in plugins())
LIBRARIES = tuple(f'{plugin.library}.dll' for plugin in plugins())
