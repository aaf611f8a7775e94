#!/bin/bash
# Speed of the file-system scan under Wine. Generates (once) a tree of 200,000 files in 1,000
# directories and four large files in a Wine prefix of its own, runs pelorin_bench_scan.exe
# (bare FindFirstFileW walk, pass 1 and pass 2 in quick mode, complete mode over the large
# files) and times md5sum over the same large files natively.
# Usage: scripts/bench-scan.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
rounds=${1:-3}

cmake --preset win64 >/dev/null
cmake --build --preset win64 --target pelorin_bench_scan >/dev/null

. scripts/wine-env.sh
pelorin_wine_setup build/win64/bench-wine
drive_c="$WINEPREFIX/drive_c"
data="$drive_c/pelorin-bench"

if [ ! -f "$data/tree.complete" ]; then
  echo "generating 200,000 files in 1,000 directories ..."
  rm -rf "$data/tree"
  python3 - "$data/tree" <<'EOF'
import os, sys
top = sys.argv[1]
for d in range(1000):
    directory = os.path.join(top, "dir%03d" % d)
    os.makedirs(directory)
    for f in range(200):
        with open(os.path.join(directory, "file%03d.txt" % f), "wb") as out:
            out.write(b"x" * ((d * 200 + f) % 1000))
open(top + ".complete", "w").close()
EOF
fi
if [ ! -f "$data/large.complete" ]; then
  echo "generating 4 files of 256 MiB ..."
  rm -rf "$data/large"
  mkdir -p "$data/large"
  for i in 1 2 3 4; do
    head -c $((256 << 20)) /dev/urandom >"$data/large/big$i.bin"
  done
  touch "$data/large.complete"
fi

"$PELORIN_WINESERVER" -p
trap '"$PELORIN_WINESERVER" -k 2>/dev/null || true' EXIT
pelorin_wine_start_services

echo "== pelorin_bench_scan.exe (under Wine)"
scripts/wine-run build/win64/bench-wine build/win64/tests/bench_win32/pelorin_bench_scan.exe \
  'C:\pelorin-bench\tree' 'C:\pelorin-bench\large' "$rounds"

echo "== md5sum (native) over the same large files"
cat "$data"/large/big*.bin >/dev/null  # in the page cache, as for the scan
best=""
for _ in $(seq "$rounds"); do
  start=$(date +%s%N)
  md5sum "$data"/large/big*.bin >/dev/null
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
done
echo "md5sum, best of $rounds: $best ms for 1024 MiB ($(( 1024 * 1000 / (best > 0 ? best : 1) )) MiB/s)"
