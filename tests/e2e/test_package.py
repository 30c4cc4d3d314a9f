"""kestro.exe built against someone else's folders, packaged, and run from
wherever the package is unzipped.

The stand-in engine and plug-ins come from their own build tree (the
windows preset's build/windows/standin-build), installed as folders outside
the project's build, with the engine's import library replaced by a
Microsoft-format one (gendef, then llvm-dlltool) and no MinGW one beside it.
A second host tree (build/package-test/host) is configured with only the
three input folders and builds the package, which is unzipped into a fresh
folder and run from an unrelated working folder.
"""

import shutil
import struct
import subprocess
import tempfile
import zipfile
from pathlib import Path

import pytest

import kestro_codec as codec
import testbed as bed
from helpers.programs import Notepad
from helpers.shown_kestro import start as start_kestro
from kestro_app import MAIN_ENGINE, KestroApp
from plugin_table import LIBRARIES, REGISTRAR_NAMES

VERSION = '1.0.3.103'
STANDIN_BUILD = bed.REPO / 'build' / 'windows' / 'standin-build'
WORK = bed.REPO / 'build' / 'package-test'
MISSING_PATH = 'does not exist beside the executable'


def run(command, log, **options):
    """Runs a build step with its output in `log`; the output when it fails."""
    with open(log, 'w') as out:
        done = subprocess.run([str(part) for part in command], stdout=out, stderr=subprocess.STDOUT, **options)
    return done.returncode, Path(log).read_text()


def step(command, log, **options):
    code, output = run(command, log, **options)
    if code != 0:
        pytest.fail(f'{" ".join(map(str, command))} failed ({code}):\n{output[-4000:]}')


def configure_host(build_dir, engine, plugins, data, log):
    """The windows preset in `build_dir`, given only the three input folders
    (and no tests, which the package does not need)."""
    shutil.rmtree(build_dir, ignore_errors=True)
    return run(['cmake', '--preset', 'windows', '-B', build_dir, '-DKESTRO_BUILD_TESTS=OFF',
                f'-DKESTRO_ENGINE_DIR={engine}', f'-DKESTRO_PLUGINS_DIR={plugins}', f'-DKESTRO_APP_DATA_DIR={data}'],
               log, cwd=bed.REPO)


@pytest.fixture(scope='module')
def sdk():
    """The stand-in SDK installed outside the build, the engine's import
    library in Microsoft format only."""
    if not (STANDIN_BUILD / 'build.ninja').is_file():
        pytest.fail(f'{STANDIN_BUILD} is missing: cmake --preset windows builds it')
    WORK.mkdir(parents=True, exist_ok=True)
    folder = Path(tempfile.mkdtemp(prefix='kestro-vendor-sdk-'))
    try:
        step(['cmake', '--install', STANDIN_BUILD, '--prefix', folder], WORK / 'sdk-install.log')
        engine = folder / 'engine'
        step(['gendef', 'flutter_windows.dll'], WORK / 'gendef.log', cwd=engine)
        step(['llvm-dlltool', '-m', 'i386:x86-64', '-d', 'flutter_windows.def', '-D', 'flutter_windows.dll',
              '-l', 'flutter_windows.dll.lib'], WORK / 'dlltool.log', cwd=engine)
        (engine / 'flutter_windows.dll.a').unlink()
        (engine / 'flutter_windows.def').unlink()
        yield folder
    finally:
        shutil.rmtree(folder, ignore_errors=True)


@pytest.fixture(scope='module')
def package(sdk):
    """The zip the second host tree built."""
    host = WORK / 'host'
    code, output = configure_host(host, sdk / 'engine', sdk / 'plugins', sdk / 'data', WORK / 'host-configure.log')
    if code != 0:
        pytest.fail(f'configuring the host against {sdk} failed:\n{output[-4000:]}')
    step(['cmake', '--build', host, '--target', 'package'], WORK / 'host-build.log')
    return host / f'kestro-{VERSION}-win64.zip'


@pytest.fixture(scope='module')
def unzipped(package):
    """The package unzipped into a fresh folder: its kestro/ folder."""
    folder = Path(tempfile.mkdtemp(prefix='kestro-unzipped-'))
    try:
        step(['unzip', '-q', package, '-d', folder], WORK / 'unzip.log')
        yield folder / 'kestro'
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def test_engine_import_library_was_microsoft_format_only(sdk):
    engine = sorted(path.name for path in (sdk / 'engine').iterdir())
    assert engine == ['flutter_windows.dll', 'flutter_windows.dll.lib']


def test_package_holds_the_program_and_what_it_loads_and_nothing_else(package):
    names = set(zipfile.ZipFile(package).namelist())
    expected = {'kestro/', 'kestro/kestro.exe', 'kestro/flutter_windows.dll',
                'kestro/data/', 'kestro/data/flutter_assets/', 'kestro/data/icudtl.dat', 'kestro/data/app.so'}
    expected |= {f'kestro/{library}' for library in LIBRARIES}
    assert names == expected


def test_packaged_program_has_one_version_resource_of_its_own(unzipped):
    exe = unzipped / 'kestro.exe'
    listed = subprocess.run(['wrestool', '-l', exe], capture_output=True, text=True, check=True).stdout
    assert len([line for line in listed.splitlines() if 'type=version' in line]) == 1, listed
    block = subprocess.run(['wrestool', '-x', '--raw', '--type=16', exe], capture_output=True, check=True).stdout
    fixed = block.index(struct.pack('<I', 0xFEEF04BD))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from('<4I', block, fixed + 8)
    assert (file_ms, file_ls) == (product_ms, product_ls) == (1 << 16 | 0, 3 << 16 | 103)
    # Each string entry: three 16-bit header fields, the key, padding, the value.
    words = [word for word in block.decode('utf-16-le', 'replace').split('\0') if word]
    for name in ('FileVersion', 'ProductVersion'):
        key = next(index for index, word in enumerate(words) if word.endswith(name))
        assert words[key + 1] == VERSION, name


def test_unzipped_package_runs_from_another_folder(testbed, unzipped):
    """Window shown after the first frame, the ten plug-ins answering, a
    paste into notepad, exit code 0 on close; the working folder is the
    bed's, not the package's."""
    app = KestroApp(testbed, dist=unzipped, env={'KESTRO_STANDIN_HOLD_FRAMES': '1'})
    try:
        app.connect()
        held = app.wait_until(lambda engine: engine['window'] is not None, 'the view in the top-level window')
        assert not held['window']['visible']
        assert app.port.render_frame(MAIN_ENGINE)
        app.wait_until(lambda engine: engine['window']['visible'], 'the window shown after the first frame')
        assert app.engine()['registrars'] == list(REGISTRAR_NAMES)
        for name in REGISTRAR_NAMES:
            assert app.port.call(MAIN_ENGINE, f'standin/{name}', 'ping') == codec.Success(name)
        editor = Notepad(testbed)
        try:
            assert editor.bring_to_front()
            text = 'from the package \u2713'
            assert app.port.call(MAIN_ENGINE, 'kestro/text_insertion', 'paste_text', {'text': text}) == \
                codec.Success(True)
            assert editor.wait_for_text(text) == text
        finally:
            editor.end()
        assert app.port.close_window(MAIN_ENGINE)
        assert app.wait(20) == 0
    finally:
        app.kill()
    assert not [line for line in app.stderr_lines if MISSING_PATH in line]


def test_engine_names_a_data_path_missing_beside_the_executable(testbed, unzipped):
    copy = Path(tempfile.mkdtemp(prefix='kestro-without-app-so-')) / 'kestro'
    try:
        shutil.copytree(unzipped, copy)
        (copy / 'data' / 'app.so').unlink()
        app = start_kestro(testbed, dist=copy)
        app.stop()
    finally:
        shutil.rmtree(copy.parent, ignore_errors=True)
    missing = [line for line in app.stderr_lines if MISSING_PATH in line]
    assert len(missing) == 1 and 'AOT library path data\\app.so' in missing[0], app.stderr_lines
    assert missing[0].endswith('kestro\\data\\app.so'), missing


def test_configure_stops_naming_a_missing_plugin_library(sdk):
    plugins = Path(tempfile.mkdtemp(prefix='kestro-plugins-without-tray-'))
    try:
        shutil.copytree(sdk / 'plugins', plugins, dirs_exist_ok=True)
        (plugins / 'tray_manager_plugin.dll').unlink()
        code, output = configure_host(WORK / 'host-without-tray', sdk / 'engine', plugins, sdk / 'data',
                                      WORK / 'host-without-tray-configure.log')
    finally:
        shutil.rmtree(plugins, ignore_errors=True)
    assert code != 0
    assert f'tray_manager_plugin.dll is missing from {plugins}' in ' '.join(output.split()), output[-2000:]
