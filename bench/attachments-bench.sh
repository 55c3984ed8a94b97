#!/usr/bin/env bash
# Times `attachments --all` over the benchmark store (100,000 small
# messages, every tenth with a recurring picture and a document of its own,
# and one message of 100 MB that is a single attachment) against `save` of
# the same messages: wall, user and system time and peak memory, best of 3.
# Usage: bench/attachments-bench.sh [BUILD_DIR] [MESSAGES] [BIG_MEGABYTES]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
count=${2:-100000}
big=${3:-100}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/vellumine-benchstore" "$work/store" "$count" "$big" 10 >/dev/null
cli="$build/bin/vellumine-cli"
measure() {  # measure LABEL OUTDIR COMMAND...
  local label=$1 out=$2 best=""
  shift 2
  for run in 1 2 3; do
    rm -rf "$out"
    sync
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >"$work/out" 2>&1 || true
    best=$(printf '%s\n%s\n' "$best" "$(cat "$work/time")" | sed '/^$/d' | sort -n | head -1)
  done
  read -r wall user sys peak <<<"$best"
  printf '%-42s %7s s wall %7s s user %6s s sys %8s KB peak\n' "$label" "$wall" "$user" "$sys" "$peak"
  sed 's/^/    /' "$work/out" | head -4
}
uptime
echo "store: $count messages in Bench.dbx, one of $big MB in Big.dbx"
measure "save Bench.dbx + Big.dbx" "$work/save" \
  bash -c "'$cli' --store '$work/store' save Bench.dbx '$work/save' && '$cli' --store '$work/store' save Big.dbx '$work/save'"
measure "attachments --all" "$work/all" "$cli" --store "$work/store" attachments --all "$work/all"
measure "save Bench.dbx" "$work/save" "$cli" --store "$work/store" save Bench.dbx "$work/save"
measure "attachments --all --folder Bench" "$work/all" "$cli" --store "$work/store" attachments --all "$work/all" --folder Bench
rm -rf "$work/all"
"$cli" --store "$work/store" attachments --all "$work/all" >/dev/null
echo "written: $(find "$work/all" -type f | wc -l) files, $(du -sm "$work/all" | cut -f1) MB," \
  "attachments.json $(($(stat -c %s "$work/all/attachments.json") / 1024)) KB"
uptime
