#!/usr/bin/env bash
# ctest's emulator for the Windows test programs: runs one under Wine in the
# test bed whose environment the caller has sourced. Without that
# environment wine would silently create and use ~/.wine, so it refuses.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "run_under_wine: no Wine test bed in the environment; run scripts/testbed/up.sh and source build/testbed/env.sh first" >&2
  exit 1
fi
exec wine "$@"
