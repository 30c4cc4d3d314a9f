#!/usr/bin/env bash
# Brings up the Wine test bed: a private Xvfb display, a private PulseAudio
# with two 48 kHz stereo null sinks, and a booted 64-bit Wine prefix under
# build/testbed/ whose render loopback carries what plays into the default
# sink (loopback.sh; KESTRO_TESTBED_WINE_LOOPBACK=1 keeps Wine's own, which
# refuses). Writes build/testbed/env.sh; callers `source` it. Running it
# again while the bed is up only switches the loopback when asked for the
# other one.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/loopback.sh"

"$(dirname "$0")/install.sh"
mkdir -p "$bed_dir" "$log_dir"
# Serialises bring-up and tear-down. Everything long-lived is started with
# fd 9 closed, or it would hold the lock for its whole life.
exec 9>"$bed_dir/lock"
flock 9

bed_is_up() {
  [ -r "$env_file" ] || return 1
  (
    source "$env_file"
    pid_runs "$KESTRO_TESTBED_XVFB_PID" Xvfb &&
      pid_runs "$KESTRO_TESTBED_PULSE_PID" pulseaudio &&
      pid_runs "$KESTRO_TESTBED_WINESERVER_PID" wineserver64 &&
      [ -n "${KESTRO_TESTBED_SECOND_SINK:-}" ] &&
      xdpyinfo >/dev/null 2>&1 &&
      pactl info >/dev/null 2>&1
  )
}

write_env_file() {
  local tmp=$env_file.tmp
  {
    echo "# Written by scripts/testbed/up.sh; source it before any wine command."
    for name in KESTRO_TESTBED_DIR LC_ALL DBUS_SESSION_BUS_ADDRESS DISPLAY WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES \
                PULSE_SERVER PULSE_RUNTIME_PATH PULSE_COOKIE KESTRO_TESTBED_SINK KESTRO_TESTBED_SOURCE \
                KESTRO_TESTBED_SECOND_SINK KESTRO_TESTBED_LOOPBACK \
                KESTRO_TESTBED_XVFB_PID KESTRO_TESTBED_PULSE_PID KESTRO_TESTBED_WINESERVER_PID; do
      printf 'export %s=%q\n' "$name" "${!name}"
    done
  } >"$tmp"
  mv "$tmp" "$env_file"
}

if bed_is_up; then
  source "$env_file"
  if ! loopback_is_current; then
    apply_loopback
    write_env_file
  fi
  say "already up ($env_file), render loopback: $KESTRO_TESTBED_LOOPBACK"
  exit 0
fi
# Whatever is left of an earlier bed goes first.
flock -u 9
"$(dirname "$0")/down.sh" >/dev/null 2>&1 || true
flock 9
started=$SECONDS

# A bring-up that fails half-way leaves nothing running.
xvfb_pid='' pulse_pid='' wineserver_pid=''
stop_started() {
  [ -n "$wineserver_pid" ] && timeout 10 wineserver -k >/dev/null 2>&1
  stop_pid "$wineserver_pid"
  stop_pid "$pulse_pid"
  stop_pid "$xvfb_pid"
}
trap '[ $? -eq 0 ] || stop_started' EXIT

start_xvfb() {
  local fifo=$bed_dir/displayfd
  rm -f "$fifo" && mkfifo "$fifo"
  # -displayfd lets Xvfb pick a free display and tell us once it accepts
  # connections.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$fifo" 9>&- </dev/null >"$log_dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  local number
  if ! read -r -t 15 number <"$fifo" || [ -z "$number" ]; then
    rm -f "$fifo"
    say "Xvfb did not start; see $log_dir/xvfb.log"
    return 1
  fi
  rm -f "$fifo"
  export DISPLAY=:$number
  say "Xvfb on $DISPLAY (pid $xvfb_pid)"
}

start_pulseaudio() {
  local runtime=$bed_dir/pulse
  rm -rf "$runtime" && mkdir -p "$runtime" "$bed_dir/pulse-state"
  export PULSE_RUNTIME_PATH=$runtime
  export PULSE_SERVER=unix:$runtime/native
  export PULSE_COOKIE=$runtime/cookie
  cat >"$bed_dir/pulse.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$runtime/native
load-module module-null-sink sink_name=kestro_null rate=48000 channels=2 sink_properties=device.description=kestro_null
load-module module-null-sink sink_name=kestro_null_2 rate=48000 channels=2 sink_properties=device.description=kestro_null_2
set-default-sink kestro_null
set-default-source kestro_null.monitor
PA
  PULSE_STATE_PATH=$bed_dir/pulse-state setsid pulseaudio -n -F "$bed_dir/pulse.pa" \
    --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --log-target=stderr 9>&- </dev/null >"$log_dir/pulseaudio.log" 2>&1 &
  pulse_pid=$!
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    pid_alive "$pulse_pid" || break
    sleep 0.1
  done
  if ! pactl info >/dev/null 2>&1; then
    say "PulseAudio did not start; see $log_dir/pulseaudio.log"
    return 1
  fi
  say "PulseAudio at $PULSE_SERVER (pid $pulse_pid)"
}

# Shows a dot a second while a slow step runs.
with_progress() {
  local label=$1
  shift
  printf 'testbed: %s ' "$label" >&2
  "$@" 9>&- &
  local pid=$! status=0
  while kill -0 "$pid" 2>/dev/null; do
    sleep 1
    printf '.' >&2
  done
  wait "$pid" || status=$?
  printf '\n' >&2
  return $status
}

boot_prefix() {
  local wine_version
  wine_version=$(wine --version)
  # A prefix booted by this Wine version is reused; anything else (a half
  # booted prefix, another version) is rebuilt from scratch.
  if [ "$(cat "$bed_dir/prefix.booted" 2>/dev/null)" != "$wine_version" ]; then
    rm -rf "$WINEPREFIX" "$bed_dir/prefix.booted"
  fi
  mkdir -p "$WINEPREFIX"
  if [ -e "$bed_dir/prefix.booted" ]; then
    say "reusing the booted prefix $WINEPREFIX"
  else
    start_wineserver
    boot_new_prefix "$wine_version"
    # The session that booted the prefix keeps settling for a while, and a
    # GUI program started then stalls about 10 s; a fresh session does not.
    timeout 10 wineserver -k >/dev/null 2>&1 || true
    stop_pid "$wineserver_pid"
  fi
  start_wineserver
  # The first Wine process of a session starts the prefix's services and
  # desktop, which inherit its standard streams: start them here, so that
  # a test's stderr pipe reaches end-of-file when its program exits, and so
  # that the first clipboard use does not stall for about 10 s.
  wine cmd /c exit 0 </dev/null >>"$log_dir/wineboot.log" 2>&1 9>&-
}

start_wineserver() {
  # A socket file left by a killed server would pass for a listening one.
  local stale
  stale=$(wineserver_socket) && rm -f "$stale"
  setsid wineserver -f -p 9>&- </dev/null >>"$log_dir/wineserver.log" 2>&1 &
  wineserver_pid=$!
  wait_for_wineserver
}

# Wine clients that start before the server listens would race to start a
# server of their own.
wait_for_wineserver() {
  local socket
  for _ in $(seq 300); do
    socket=$(wineserver_socket) || socket=
    [ -n "$socket" ] && [ -S "$socket" ] && return
    pid_alive "$wineserver_pid" || break
    sleep 0.1
  done
  say "wineserver did not start; see $log_dir/wineserver.log"
  return 1
}

boot_new_prefix() {
  with_progress "booting a new Wine prefix (about 12 s)" \
    sh -c 'wineboot -i >"$1/wineboot.log" 2>&1' sh "$log_dir"
  # Without a window manager, winex11's managed windows stall about 2 s
  # whenever one is destroyed.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$log_dir/wineboot.log" 2>&1 9>&-
  echo "$1" >"$bed_dir/prefix.booted"
}


export_bed_variables
start_xvfb
start_pulseaudio
boot_prefix
apply_loopback
export KESTRO_TESTBED_DIR=$bed_dir
export KESTRO_TESTBED_SINK=kestro_null
export KESTRO_TESTBED_SOURCE=kestro_null.monitor
export KESTRO_TESTBED_SECOND_SINK=kestro_null_2
export KESTRO_TESTBED_XVFB_PID=$xvfb_pid
export KESTRO_TESTBED_PULSE_PID=$pulse_pid
export KESTRO_TESTBED_WINESERVER_PID=$wineserver_pid
write_env_file
say "up in $((SECONDS - started)) s; source $env_file"
