#!/usr/bin/env bash
# Times `migrate` and `index` over a store whose folders.dbx nests 10,000
# folders, one inside the other (about 670 KB), with one message at the
# bottom: wall time and peak memory, which grew with the square of the depth
# while every folder's path was built from the top.
# Usage: bench/deep-folders-bench.sh [BUILD_DIR] [DEPTH]   (defaults: build 10000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
depth=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'Subject: tief\r\n\r\nganz unten\r\n' >"$work/tief.eml"
python3 - "$depth" >"$work/store.json" <<'PY'
import json, sys
depth = int(sys.argv[1])
folders = [{"id": 0, "name": "Lokale Ordner"}]
for i in range(1, depth + 1):
    folders.append({"id": i, "parent": i - 1, "name": "Ordner %d" % i})
folders[-1].update({"file": "Tief.dbx", "messages": [
    {"source": "tief.eml", "date": "2004-01-01T00:00:00Z", "from": "A", "to": "B", "subject": "tief"}]})
json.dump({"folders": folders}, sys.stdout)
PY
"$build/bin/vellumine-storewriter" "$work/store.json" "$work/store"
echo "folders.dbx: $(stat -c %s "$work/store/folders.dbx") bytes, $depth nested folders"
export XDG_CACHE_HOME=$work/cache
cli=$build/bin/vellumine-cli
measure() {  # measure LABEL COMMAND...
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>&1 || true
  printf '%-24s %6s s  %7s KB peak   %s\n' "$label" $(cat "$work/time") "$(tail -1 "$work/out")"
}
measure "migrate --format eml" "$cli" --store "$work/store" migrate --format eml "$work/eml"
measure "index" "$cli" --store "$work/store" index
