#!/usr/bin/env bash
# Times `migrate` to each format over the benchmark store (100,000 small
# messages and one of 20 MB) against `save` of the same messages, with wall
# time and peak memory. Usage: bench/migrate-bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/vellumine-benchstore" "$work/store" 100000 20 >/dev/null
cli="$build/bin/vellumine-cli"
measure() {  # measure LABEL OUTDIR COMMAND...   best of 3 (writeback of earlier runs makes single runs noisy)
  local label=$1 out=$2 best=""
  shift 2
  for run in 1 2 3; do
    rm -rf "$out" "$work"/migration-report*.json
    sync
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" || true
    best=$(printf '%s\n%s\n' "$best" "$(cat "$work/time")" | sed '/^$/d' | sort -n | head -1)
  done
  printf '%-34s %6s s  %7s KB peak   %s\n' "$label" $best "$(tail -1 "$work/out")"
  rm -rf "$out"
}
measure "save Bench.dbx + Big.dbx" "$work/save" \
  bash -c "'$cli' --store '$work/store' save Bench.dbx '$work/save' && '$cli' --store '$work/store' save Big.dbx '$work/save'"
for format in mboxrd maildir eml; do
  measure "migrate --format $format" "$work/$format" "$cli" --store "$work/store" migrate --format "$format" "$work/$format"
done
