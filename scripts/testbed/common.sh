# shellcheck shell=bash
# Shared by the test bed scripts: where the bed lives and how to recognise
# its processes. Sourced, never run.

repo_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bed_dir=${KESTRO_TESTBED_DIR:-$repo_dir/build/testbed}
env_file=$bed_dir/env.sh
log_dir=$bed_dir/logs

say() { printf 'testbed: %s\n' "$*" >&2; }

# Every wine command must see these: without WINEPREFIX wine silently
# creates and boots ~/.wine. A UTF-8 locale makes Wine pass non-ASCII
# command lines and clipboard text through unchanged.
export_bed_variables() {
  export LC_ALL=C.UTF-8
  # With DISPLAY set, D-Bus clients (PulseAudio, Wine) would otherwise spawn
  # dbus-launch on the display, which stalls them for seconds.
  export DBUS_SESSION_BUS_ADDRESS=disabled:
  export WINEPREFIX=$bed_dir/prefix
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

pid_alive() {
  local pid=$1 stat
  [ -n "$pid" ] || return 1
  stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
  [[ $stat != *") Z "* ]]
}

# True when `pid` is alive and runs the program `name`, so that a recycled
# PID of an unrelated process is never taken for ours. Only for processes
# past their start: setsid and Debian's wrapper scripts run under other
# names first.
pid_runs() {
  local pid=$1 name=$2
  pid_alive "$pid" && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ]
}

# Sends TERM, waits up to 5 s, then KILL. Without `name`, any live process
# of that PID goes: only for PIDs this very script has just started.
stop_pid() {
  local pid=$1 name=${2:-}
  still_there() { if [ -n "$name" ]; then pid_runs "$pid" "$name"; else pid_alive "$pid"; fi; }
  still_there || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    still_there || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

# The server's folder: Debian's Wine keeps its random /tmp name in the
# prefix's `wineserver` file.
wineserver_folder() {
  local name
  name=$(cat "$WINEPREFIX/wineserver" 2>/dev/null) || return 1
  [[ $name =~ ^wine-[A-Za-z0-9]+$ ]] || return 1
  printf '/tmp/%s\n' "$name"
}

wineserver_socket() {
  local folder device inode
  folder=$(wineserver_folder) || return 1
  read -r device inode < <(stat -c '%d %i' "$WINEPREFIX") || return 1
  printf '%s/server-%x-%x/socket\n' "$folder" "$device" "$inode"
}
