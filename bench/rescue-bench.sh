#!/usr/bin/env bash
# Times the rescue scan (`list --salvage`): a sparse 2 GiB folder file with
# its header zeroed, and the 263 MB benchmark folder (100,000 messages) with
# its index roots zeroed, so that every message comes from the scan. Wall
# time and peak memory, best of 3.
# Usage: bench/rescue-bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
store=$(mktemp -d)
trap 'rm -rf "$store"' EXIT
cli="$build/bin/vellumine-cli"
"$build/bin/vellumine-rescuestore" "$store/sparse" >/dev/null
"$build/bin/vellumine-benchstore" "$store/dense" 100000 1 >/dev/null
# Both root offsets (0x30 and its copy at 0xE4) zeroed.
for at in 48 228; do
  dd if=/dev/zero of="$store/dense/Bench.dbx" bs=1 seek=$at count=4 conv=notrunc status=none
done
ls -ls "$store/sparse/Gross.dbx" "$store/dense/Bench.dbx"
measure() {  # measure LABEL COMMAND...
  local label=$1 best=""
  shift
  for run in 1 2 3; do
    /usr/bin/time -f "%e %M" -o "$store/time" "$@" >"$store/out" 2>/dev/null || true
    best=$(printf '%s\n%s\n' "$best" "$(cat "$store/time" | tail -1)" | sed '/^$/d' | sort -n | head -1)
  done
  printf '%-50s %6s s  %7s KB peak  (best of 3)\n' "$label" ${best}
}
measure "list --salvage Gross.dbx (2 GiB sparse)" "$cli" --store "$store/sparse" list Gross.dbx --salvage
echo "  messages rescued: $(grep -c '"origin":"deleted"\|"origin":"orphaned"' "$store/out")"
measure "list --salvage Bench.dbx (263 MB, roots zeroed)" "$cli" --store "$store/dense" list Bench.dbx --salvage
echo "  messages rescued: $(grep -c '"origin":"orphaned"' "$store/out")"
