#!/usr/bin/env bash
# Runs one command with the Wine test bed's environment, bringing the bed up
# first when it is not (it stays up afterwards; scripts/testbed/down.sh ends
# it). Example: scripts/testbed/run.sh wine dist/kestro.exe
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGUMENTS...]" >&2; exit 2; }
source "$(dirname "$0")/common.sh"
"$(dirname "$0")/up.sh"
source "$env_file"
exec "$@"
