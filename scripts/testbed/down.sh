#!/usr/bin/env bash
# Tears the Wine test bed down by its saved PIDs: the Wine processes of the
# bed's prefix, then PulseAudio and Xvfb. Safe to run at any time, also when
# nothing is up. The booted prefix stays for the next bring-up unless
# --purge is given.
set -uo pipefail
source "$(dirname "$0")/common.sh"

purge=false
[ "${1:-}" = "--purge" ] && purge=true

mkdir -p "$bed_dir"
exec 9>"$bed_dir/lock"
flock 9

KESTRO_TESTBED_XVFB_PID='' KESTRO_TESTBED_PULSE_PID='' KESTRO_TESTBED_WINESERVER_PID=''
[ -r "$env_file" ] && source "$env_file"
export_bed_variables

if [ -d "$WINEPREFIX" ]; then
  # Ends every Wine process of this prefix, and its wineserver.
  timeout 10 wineserver -k >/dev/null 2>&1 || true
fi
stop_pid "$KESTRO_TESTBED_WINESERVER_PID" wineserver64
stop_pid "$KESTRO_TESTBED_PULSE_PID" pulseaudio
stop_pid "$KESTRO_TESTBED_XVFB_PID" Xvfb
rm -f "$env_file"
rm -rf "$bed_dir/pulse"
if $purge; then
  server_folder=$(wineserver_folder) && rm -rf "$server_folder"
  rm -rf "$WINEPREFIX" "$bed_dir/prefix.booted"
fi
say "down"
