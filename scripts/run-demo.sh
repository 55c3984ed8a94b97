#!/usr/bin/env bash
# Installs what is missing, builds, and shows the bundled demo store.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
store=build/demo-store
cli=build/bin/vellumine-cli
export LANG=de_DE.UTF-8
echo "== Ordner der Demo-Ablage =="
"$cli" --store "$store" folders
for file in $("$cli" --store "$store" folders | sed -n 's/.*"fileName": "\(.*\)",/\1/p'); do
  [ -n "$file" ] || continue
  echo "== Nachrichten in $file =="
  "$cli" --store "$store" list "$file"
done
