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
export LANG=de_DE.UTF-8
timed() {  # timed LABEL BYTES FILES COMMAND...
  local label=$1 bytes=$2 files=$3
  shift 3
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  awk -v l="$label" -v s="$start" -v e="$end" -v b="$bytes" -v n="$files" \
    'BEGIN { t = e - s; printf "%-34s %7.2f s  %9.0f msg/s  %7.1f MB/s\n", l, t, n / t, b / t / 1e6 }'
}
sync
timed "save (.eml)" 0 "$count" "$cli" --store "$work/store" save Bench.dbx "$work/eml"
bytes=$(du -sb "$work/eml" | cut -f1)
timed "save (.eml), bytes known" "$bytes" "$count" true
echo "  saved: $(ls "$work/eml" | wc -l) files, $bytes bytes"
timed "export --format html" "$bytes" "$count" "$cli" --store "$work/store" export Bench.dbx "$work/htm" --format html
echo "  exported: $(ls "$work/htm" | wc -l) files, $(du -sb "$work/htm" | cut -f1) bytes"
timed "cat of the same .eml bytes" "$bytes" "$count" bash -c "cd '$work/eml' && find . -type f -print0 | xargs -0 cat > '$work/all.eml'"
