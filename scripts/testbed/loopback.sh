# shellcheck shell=bash
# The bed's render loopback: by default loopback_shim.dll serves the device
# enumerator class in the prefix, so that a render loopback stream carries
# what plays into the default sink; with KESTRO_TESTBED_WINE_LOOPBACK=1 the
# bed keeps Wine's own enumerator, which refuses the capture client.
# Sourced by up.sh after common.sh, with the bed's variables exported.

enumerator_server_key='HKLM\Software\Classes\CLSID\{BCDE0395-E52F-467C-8E3D-C4579291692E}\InprocServer32'
wine_enumerator_server='C:\windows\system32\mmdevapi.dll'
loopback_shim=$bed_dir/loopback_shim.dll

wanted_loopback() {
  if [ "${KESTRO_TESTBED_WINE_LOOPBACK:-0}" = 1 ]; then echo wine; else echo shim; fi
}

shim_is_built() {
  local source=$repo_dir/scripts/testbed/loopback_shim.cpp
  [ "$loopback_shim" -nt "$source" ] && [ "$loopback_shim" -nt "${source%.cpp}.def" ]
}

# Whether the running bed's loopback is the one asked for, with an up to
# date shim.
loopback_is_current() {
  [ "${KESTRO_TESTBED_LOOPBACK:-}" = "$(wanted_loopback)" ] && { [ "$KESTRO_TESTBED_LOOPBACK" = wine ] || shim_is_built; }
}

# Rebuilt when its source is newer; replaced in one rename, since running
# programs may have the old one loaded.
build_loopback_shim() {
  local source=$repo_dir/scripts/testbed/loopback_shim.cpp
  shim_is_built && return 0
  x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -Wall -Wextra -Wpedantic -Werror -shared -static \
    -o "$loopback_shim.tmp" "$source" "${source%.cpp}.def" -lole32 -luuid || {
    say "building the loopback shim failed"
    return 1
  }
  mv "$loopback_shim.tmp" "$loopback_shim"
}

# Registers the enumerator server that `wanted_loopback` asks for, and sets
# KESTRO_TESTBED_LOOPBACK to "shim" or "wine" for env.sh.
apply_loopback() {
  local server
  KESTRO_TESTBED_LOOPBACK=$(wanted_loopback)
  if [ "$KESTRO_TESTBED_LOOPBACK" = shim ]; then
    build_loopback_shim || return 1
    server="Z:${loopback_shim//\//\\}"
  else
    server=$wine_enumerator_server
  fi
  wine reg add "$enumerator_server_key" /ve /d "$server" /f >>"$log_dir/wineboot.log" 2>&1 9>&- || {
    say "registering $server as the device enumerator's server failed"
    return 1
  }
  export KESTRO_TESTBED_LOOPBACK
  say "render loopback: $KESTRO_TESTBED_LOOPBACK ($server)"
}
