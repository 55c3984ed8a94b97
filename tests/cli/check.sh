# Shared by the command-line tests: `check NAME EXPECTED ACTUAL` prints ok or
# FAIL and counts failures in $failures.
failures=0
check() {
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "  expected: $2"; echo "  actual:   $3"; failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}
