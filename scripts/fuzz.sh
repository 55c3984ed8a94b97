#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60) on a
# copy of its seed corpus, after replaying the inputs of earlier findings.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(StoreFileFuzzer MessageFuzzer PageFuzzer SearchTextFuzzer)

bash scripts/apt-ensure.sh clang libclang-rt-14-dev cmake ninja-build libsqlite3-dev zlib1g-dev

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

corpus_of() { case "$1" in StoreFileFuzzer) echo store ;; *) echo message ;; esac; }
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
  binary=build-fuzz/bin/$target
  regressions=tests/fuzz/regressions/$target
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    echo "== $target: replaying $(ls "$regressions" | wc -l) earlier findings"
    "$binary" -runs=1 "$regressions"/* >/dev/null 2>&1 || { echo "FAIL: $target on an earlier finding"; status=1; }
  fi
  work=build-fuzz/corpus/$target
  mkdir -p "$work" build-fuzz/findings/$target
  cp -n tests/fuzz/corpus/"$(corpus_of "$target")"/* "$work"/ 2>/dev/null || true
  echo "== $target: $seconds s"
  if ! "$binary" "$work" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=1048576 \
      -print_final_stats=1 -artifact_prefix=build-fuzz/findings/$target/ >build-fuzz/$target.log 2>&1; then
    echo "FAIL: $target found something, see build-fuzz/$target.log and build-fuzz/findings/$target/"
    status=1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE' build-fuzz/$target.log | tail -1 || true
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' build-fuzz/$target.log || true
done
exit $status
