#!/usr/bin/env bash
# The search index on the benchmark store (100,000 small messages and one
# of 20 MB): the first build with wall time and peak memory, an update that
# finds nothing changed, one after a mere touch of the large folder file,
# one after 100 messages were added to it, queries timed in one process
# (words, phrases, prefixes, fields, dates, OR, NOT, stems), and the
# index's size against the store's; each timed step with wall and CPU time. Usage: bench/search-bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/vellumine-benchstore" "$work/store" 100000 20 >/dev/null
# The same messages and 100 more: the first 100,000 lie where they lay.
"$build/bin/vellumine-benchstore" "$work/more" 100100 1 >/dev/null
export XDG_CACHE_HOME=$work/cache
cli="$build/bin/vellumine-cli"
timed() {  # timed LABEL COMMAND...
  local label=$1
  shift
  /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >"$work/out"
  printf "%-44s %8s s  %7s KB peak  %s s user %s s sys\n" "$label" $(cat "$work/time")
}
# The index file, and the log SQLite keeps beside it until it copies it over.
index_size() {
  local file=$(ls "$work/cache/vellumine/"*.sqlite)
  local log=0
  [ -f "$file-wal" ] && log=$(stat -c %s "$file-wal")
  echo "$(stat -c %s "$file") + log $log"
}
timed "index: first build (100,001 messages)" "$cli" --store "$work/store" index
timed "index: nothing changed" "$cli" --store "$work/store" index
before=$(index_size)
touch -d '+1 hour' "$work/store/Bench.dbx"
timed "index: Bench.dbx touched" "$cli" --store "$work/store" index
sed -n 2p "$work/out"
echo "index bytes before $before, after the touch $(index_size)"
cp "$work/more/Bench.dbx" "$work/store/Bench.dbx"
timed "index: 100 messages added" "$cli" --store "$work/store" index
sed -n 2,3p "$work/out"
echo "index bytes after 100 added $(index_size)"
timed "search rechnung (CLI, whole process)" "$cli" --store "$work/store" search rechnung
timed "search --count rechnung (CLI)" "$cli" --store "$work/store" search --count rechnung
index=$(ls "$work/cache/vellumine/"*.sqlite)
"$build/bin/vellumine-searchbench" "$work/store" "$index" rechnung '"rechnung urlaub"' 'bestell*' \
  'von:müller betreff:grüße' 'datum:2001-03' 'datum:2001-03 treffen' 'gibtesnicht' \
  'rechnung OR urlaub' 'termin OR gibtesnicht' '-rechnung' '-gibtesnicht' 'datum:2001-03 -rechnung' 'rechnung -urlaub' '(rechnung OR termin) -bericht' \
  'rechnungen' '"rechnung"' 'betreff:(rechnung OR angebot) datum:2002'
store_bytes=$(du -cb "$work/store"/*.dbx | tail -1 | cut -f1)
index_bytes=$(du -cb "$work/cache/vellumine/"*.sqlite* | tail -1 | cut -f1)
echo "store $store_bytes bytes, index $index_bytes bytes ($(( index_bytes * 100 / store_bytes )) % of the store)"
