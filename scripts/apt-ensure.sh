#!/usr/bin/env bash
# Installs the named Debian packages that are not installed yet.
# Usage: scripts/apt-ensure.sh PACKAGE...
set -euo pipefail
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
echo "Installing: ${missing[*]}"
as_root apt-get update -q
DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q "${missing[@]}"
