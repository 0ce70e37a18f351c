#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the tests and the showcase need
# and this machine lacks.  Safe to run again: it only installs what is missing.
set -euo pipefail

# Each subsystem lists its packages in scripts/packages/*.txt.
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t packages < <(cat "$here"/packages/*.txt | sed 's/#.*//' | tr -s ' \t' '\n' | grep -v '^$' | sort -u)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
