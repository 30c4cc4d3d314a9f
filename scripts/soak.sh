#!/usr/bin/env bash
# make soak [DURATION=seconds] [SOAK=native|wine|both]: the long runs of
# tests/soak/, each for DURATION seconds (default 600), one after the other.
# Exits non-zero when any of them failed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
duration=${1:-600}
which=${2:-both}
status=0

if [ "$which" != wine ]; then
  cmake --preset native >/dev/null &&
    cmake --build --preset native -j2 --target audio_soak_host || exit 1
  /usr/bin/python3 tests/soak/audio_soak.py build/native/tests/soak/audio_soak_host "$duration" || status=1
fi

if [ "$which" != native ]; then
  cmake --preset windows >/dev/null && cmake --build --preset windows -j2 || exit 1
  # A bed that was up already stays up; one brought up here goes down again.
  bed=$(scripts/testbed/up.sh 2>&1) || { echo "$bed"; exit 1; }
  case $bed in *'already up'*) ;; *) trap 'scripts/testbed/down.sh >/dev/null 2>&1' EXIT ;; esac
  bare=build/windows/soak/bare_windows.exe
  mkdir -p "$(dirname "$bare")" &&
    x86_64-w64-mingw32-gcc-posix -std=c11 -O2 -Wall -Wextra -Wpedantic -Werror -municode -static-libgcc \
      -o "$bare" tests/soak/bare_windows.c -lgdi32 || exit 1
  /usr/bin/python3 tests/soak/window_soak.py "$duration" "$bare" || status=1
fi
exit $status
