#!/usr/bin/env bash
# Times vellumine-cli on the benchmark store: `list` over 100,000 messages
# and `source` of one 20 MB message, with wall time and peak memory.
# Usage: bench/store-bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
store=$(mktemp -d)
trap 'rm -rf "$store"' EXIT
offset=$("$build/bin/vellumine-benchstore" "$store" 100000 20 | sed 's/.* //')
cli="$build/bin/vellumine-cli"
ls -l "$store"
measure() {  # measure LABEL COMMAND...
  local label=$1 best=""
  shift
  for run in 1 2 3 4 5; do
    /usr/bin/time -f "%e %M" -o "$store/time" "$@" >"$store/out"
    best=$(printf '%s\n%s\n' "$best" "$(cat "$store/time")" | sed '/^$/d' | sort -n | head -1)
  done
  printf '%-40s %6s s  %7s KB peak  (best of 5)\n' "$label" ${best}
}
measure "list Bench.dbx (100,000 messages)" "$cli" --store "$store" list Bench.dbx
echo "  items listed: $(grep -c '"index"' "$store/out")"
measure "source Big.dbx (20 MB)" "$cli" --store "$store" source Big.dbx "$offset"
echo "  bytes written: $(wc -c <"$store/out")"
