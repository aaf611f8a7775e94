#!/bin/bash
# Runs every fuzz target of the fuzz build for the given number of seconds each (default 10),
# starting from its committed seed corpus. Findings are written to build/fuzz/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
out="$root/build/fuzz/findings"
mkdir -p "$out"
found=0
for target in "$root"/build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$root/build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="$root/tests/fuzz/seeds/${name#fuzz_}"
  [ -d "$seeds" ] || seeds=""
  echo "--- $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$name-" \
       "$corpus" $seeds 2>&1 | grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|ERROR|SUMMARY'; then
    :
  fi
  if ls "$out/$name-"* >/dev/null 2>&1; then found=1; echo "finding for $name in $out"; fi
done
exit $found
