#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need,
# when any is missing. Safe to run again: it does nothing when all are there.
set -euo pipefail

packages=(
  cmake ninja-build make g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libmsgpack-cxx-dev libsamplerate0-dev libspeexdsp-dev
  # libsoxr: a peer of the audio benchmark only.
  libsoxr-dev
  python3 python3-pytest
  # The package and its checks: unzip, wrestool (icoutils), gendef
  # (mingw-w64-tools) and llvm-dlltool (llvm) for a Microsoft-format import library.
  unzip icoutils mingw-w64-tools llvm
  # make bench's window watcher (bench/wine/window_shown_watch.c).
  libx11-dev
)

exec "$(dirname "$0")/install-packages.sh" deps "${packages[@]}"
