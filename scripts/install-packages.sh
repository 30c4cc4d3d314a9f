#!/usr/bin/env bash
# install-packages.sh LABEL PACKAGE...: apt-get installs the packages that are
# missing, non-interactively; does nothing when all are there. Needs root
# only when something is missing.
set -euo pipefail

label=$1
shift
missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "$label: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "$label: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get -o DPkg::Lock::Timeout=300 update -qq
apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "$label: packages installed"
