# Sourced by the hidraw scripts: one line per check, and the count at the end.
passes=0 failures=0
check() {  # check NAME COMMAND...
  if "${@:2}"; then
    echo "ok: $1"
    passes=$((passes + 1))
  else
    echo "FAILED: $1"
    failures=$((failures + 1))
  fi
}
all_passed() {  # prints the count; true when nothing failed
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}
