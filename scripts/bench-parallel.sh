#!/bin/bash
# Pass 1 and pass 2 of both scans, one after the other against in parallel, under Wine.
# Generates (once) a tree of N files (default 100,000) in 200 directories in a Wine prefix of its own
# (build/win64/bench-parallel-wine); the benchmark program builds its registry test key there
# on its first run and reuses it later.
# Usage: scripts/bench-parallel.sh [--files N] [--keys N] [--values M] [--rounds R]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

files=100000
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 --target pelorin_bench_parallel_scan >/dev/null

. scripts/wine-env.sh
pelorin_wine_setup build/win64/bench-parallel-wine
data="$WINEPREFIX/drive_c/pelorin-parallel"
if [ ! -f "$data/tree-$files.complete" ]; then
  echo "generating $files files in 200 directories ..."
  rm -rf "$data" && mkdir -p "$data"
  python3 - "$data/tree" "$files" <<'PY'
import os, sys
top, files = sys.argv[1], int(sys.argv[2])
per = (files + 199) // 200
made = 0
for d in range(200):
    directory = os.path.join(top, "dir%03d" % d)
    os.makedirs(directory)
    for f in range(per):
        if made == files:
            break
        with open(os.path.join(directory, "file%04d.txt" % f), "wb") as out:
            out.write(b"x" * (made % 1000))
        made += 1
PY
  touch "$data/tree-$files.complete"
fi

"$PELORIN_WINESERVER" -k 2>/dev/null || true
"$PELORIN_WINESERVER" -p
trap '"$PELORIN_WINESERVER" -k 2>/dev/null || true' EXIT
pelorin_wine_start_services
"$PELORIN_WINE" build/win64/tests/bench_win32/pelorin_bench_parallel_scan.exe 'C:\pelorin-parallel\tree' ${args[@]+"${args[@]}"}
