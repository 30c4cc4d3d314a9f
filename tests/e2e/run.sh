#!/usr/bin/env bash
# Runs the end-to-end tests with Debian's python3 (which has pytest) and
# ends with pytest's summary line. Arguments go to pytest.
set -uo pipefail
cd "$(dirname "$0")" || exit 2
/usr/bin/python3 -m pytest -p no:cacheprovider -q "$@"
