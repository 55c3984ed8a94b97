#!/usr/bin/env bash
# Times `save` and `export --format html` of vellumine-cli over the
# 100,000 messages of the benchmark store, and copying the same bytes with
# cat for comparison. Usage: bench/output-bench.sh [BUILD_DIR] [MESSAGES]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
count=${2:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/vellumine-benchstore" "$work/store" "$count" 1 >/dev/null
cli="$build/bin/vellumine-cli"
export LANG=de_DE.UTF-8 LC_NUMERIC=C
seconds() {  # seconds COMMAND...: wall time of the command
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { print e - s }'
}
report() {  # report LABEL SECONDS BYTES
  awk -v l="$1" -v t="$2" -v b="$3" -v n="$count" \
    'BEGIN { printf "%-30s %7.2f s  %9.0f msg/s  %7.1f MB/s\n", l, t, n / t, b / t / 1e6 }'
}
sync
save=$(seconds "$cli" --store "$work/store" save Bench.dbx "$work/eml")
bytes=$(find "$work/eml" -type f -printf '%s\n' | awk '{ n += $1 } END { print n }')
export_time=$(seconds "$cli" --store "$work/store" export Bench.dbx "$work/htm" --format html)
copy=$(seconds bash -c "cd '$work/eml' && find . -type f -print0 | xargs -0 cat > '$work/all.eml'")
echo "messages: $count, source bytes: $bytes"
report "save (.eml)" "$save" "$bytes"
report "export --format html" "$export_time" "$bytes"
report "cat of the same bytes" "$copy" "$bytes"
echo "files written: $(ls "$work/eml" | wc -l) .eml, $(ls "$work/htm" | wc -l) .htm" \
  "($(find "$work/htm" -type f -printf '%s\n' | awk '{ n += $1 } END { print n }') bytes of pages)"
