#!/bin/sh
# Runs each fuzz target for a while over its seed corpus in tests/data/.
# New inputs go to a scratch folder, so the seed corpora stay as committed.
#
# Usage: fuzz/run_all.sh [SECONDS] [BUILD_DIR]
#   SECONDS    per target, default 20
#   BUILD_DIR  the build folder of the "fuzz" preset, default build/fuzz
# Exit status: 0 without findings; 1 when a target crashed or broke an
# invariant (the input is kept, its path is printed).
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build=${2:-$here/build/fuzz}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zentrel-fuzz.XXXXXX")
status=0

for name in intel_hex memory_image srec elf compatibility device_answers; do
  target="$build/fuzz/fuzz_$name"
  if [ ! -x "$target" ]; then
    echo "missing $target: configure with --preset fuzz and build it first" >&2
    exit 2
  fi
  mkdir -p "$scratch/$name/corpus" "$scratch/$name/artifacts"
  echo "== fuzz_$name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$scratch/$name/artifacts/" \
      "$scratch/$name/corpus" "$here/tests/data/$name" \
      > "$scratch/$name/log" 2>&1; then
    echo "FINDING in fuzz_$name:"
    tail -n 40 "$scratch/$name/log"
    ls "$scratch/$name/artifacts"
    status=1
  else
    grep -E '^stat::number_of_executed_units' "$scratch/$name/log" || true
  fi
done

if [ "$status" -eq 0 ]; then
  rm -rf "$scratch"
  echo "no findings"
else
  echo "inputs and logs kept in $scratch"
fi
exit "$status"
