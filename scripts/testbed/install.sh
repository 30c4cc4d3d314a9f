#!/usr/bin/env bash
# Installs what the Wine test bed needs, only when something is missing.
# Non-interactive; installing needs root. Does nothing when all is there.
set -euo pipefail

packages=(
  # 64-bit Wine only: the host is a 64-bit program.
  wine wine64
  # Without these winex11 lacks fonts and the X extensions it probes for.
  fonts-wine libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxinerama1 libxcomposite1
  xvfb x11-utils xclip xdotool imagemagick
  pulseaudio pulseaudio-utils sox
  # The loopback shim (loopback_shim.cpp) is built at bring-up.
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  python3 python3-pytest
)

exec "$(dirname "$0")/../install-packages.sh" testbed "${packages[@]}"
