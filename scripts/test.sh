#!/bin/bash
# Builds everything and runs every test: the native unit tests, the sanitizer builds (the
# ThreadSanitizer one only for the tests that run threads), the
# Windows tests under Wine (with Xvfb for the windows), the 32-bit build (linked, not run) and a
# short run of each fuzz target. Usage: scripts/test.sh [--no-install]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

[ "${1:-}" = "--no-install" ] || scripts/install-deps.sh

jobs=$(nproc)
# Let ccache reuse objects across clones in other folders (CI builds a fresh clone each time).
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
step() { printf '\n=== %s\n' "$*"; }
build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"; }

step "native build and unit tests"
build native
ctest --preset native -j "$jobs"

step "AddressSanitizer + UndefinedBehaviorSanitizer build and unit tests"
build native-asan
ctest --preset native-asan -j "$jobs"

step "ThreadSanitizer build and the unit tests that run threads"
# Only the unit tests are built, and only those that start threads are run: the rest of the
# suite is single-threaded and takes minutes under ThreadSanitizer.
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan -j "$jobs" --target pelorin_unit_tests
TSAN_OPTIONS="halt_on_error=1 ${TSAN_OPTIONS:-}" build/native-tsan/src/pelorin_unit_tests --gtest_brief=1 \
  --gtest_filter='ParallelScan.*:WorkerThread.*:ResultList.TwoThreadsAppendingLoseNothing:StringLookupTest.ConcurrentLookupsAgree'

step "win64 build"
build win64

step "win64 tests under Wine"
. scripts/wine-env.sh
. scripts/xvfb.sh
pelorin_start_xvfb
pelorin_wine_setup build/win64/wine
# One server for the whole run: each Wine start then costs little. A server left over from an
# earlier run of this prefix would refuse a second one, so end it first.
"$PELORIN_WINESERVER" -k 2>/dev/null || true
"$PELORIN_WINESERVER" -p
pelorin_wine_start_services
trap 'pelorin_stop_xvfb; "$PELORIN_WINESERVER" -k 2>/dev/null || true' EXIT
ctest --preset win64

step "end to end: tracking the sample installer"
# Its own throwaway prefix and wineserver; the test prefix's server must not hold the display.
"$PELORIN_WINESERVER" -k 2>/dev/null || true
scripts/demo.sh --no-install --check

step "win32 build (linked, not run)"
build win32
# The 32-bit program is not run, but its appended container is read and checked.
python3 tests/container/check_container.py --resources resources build/win32/pelorin32.exe

step "fuzz targets"
build fuzz
scripts/fuzz.sh "${PELORIN_FUZZ_SECONDS:-10}"

step "all tests passed"
