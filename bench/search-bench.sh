#!/usr/bin/env bash
# The search index on the benchmark store (100,000 small messages and one
# of 20 MB): the first build with wall time and peak memory, an update that
# finds nothing changed, queries timed in one process, and the index's size
# against the store's. Usage: bench/search-bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/vellumine-benchstore" "$work/store" 100000 20 >/dev/null
export XDG_CACHE_HOME=$work/cache
cli="$build/bin/vellumine-cli"
timed() {  # timed LABEL COMMAND...
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out"
  printf '%-44s %8s s  %7s KB peak\n' "$label" $(cat "$work/time")
}
timed "index: first build (100,001 messages)" "$cli" --store "$work/store" index
timed "index: nothing changed" "$cli" --store "$work/store" index
timed "search rechnung (CLI, whole process)" "$cli" --store "$work/store" search rechnung
index=$(ls "$work/cache/vellumine/"*.sqlite)
"$build/bin/vellumine-searchbench" "$work/store" "$index" rechnung '"rechnung urlaub"' 'bestell*' \
  'von:müller betreff:grüße' 'datum:2001-03' 'datum:2001-03 treffen' 'gibtesnicht'
store_bytes=$(du -cb "$work/store"/*.dbx | tail -1 | cut -f1)
index_bytes=$(du -cb "$index"* | tail -1 | cut -f1)
echo "store $store_bytes bytes, index $index_bytes bytes ($(( index_bytes * 100 / store_bytes )) % of the store)"
