#!/bin/sh
# Measures the registry scanner's two passes against a bare walk of the same keys under Wine.
# Builds the win64 benchmark when needed and runs it in a prefix of its own
# (build/win64/wine-bench), which keeps the generated test key between runs; --delete removes it.
# Usage: scripts/bench-registry.sh [--keys N] [--values M] [--rounds R] [--delete]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 --target pelorin_bench_registry_scan >/dev/null
exec scripts/wine-run build/win64/wine-bench build/win64/tests/bench_win32/pelorin_bench_registry_scan.exe "$@"
