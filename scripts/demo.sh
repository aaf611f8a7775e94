#!/bin/bash
# Tracks a real installer with Pelorin, from a clean checkout: installs what is missing, builds
# pelorin.exe and a small NSIS installer from samples/installer, creates a throwaway Wine prefix,
# runs the installer under Pelorin in one-click mode and prints the differences as a table.
# A second run shows the result window and saves a screenshot of it; on a real display the
# window then stays until the user closes it, under Xvfb (no display) it is closed at once.
#
# Usage: scripts/demo.sh [--no-install] [--no-window] [--check]
#   --no-install  do not call scripts/install-deps.sh
#   --no-window   skip the result-window run and its screenshot
#   --check       fail unless every difference listed in samples/installer/expected.txt is found
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
install=1 window=1 check=0
for arg in "$@"; do
  case $arg in
    --no-install) install=0 ;;
    --no-window) window=0 ;;
    --check) check=1 ;;
    *) echo "usage: scripts/demo.sh [--no-install] [--no-window] [--check]" >&2; exit 2 ;;
  esac
done
[ "$install" = 1 ] && scripts/install-deps.sh
# As in the test command: the compiler cache keys on paths relative to the checkout.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1

say() { printf '\n== %s\n' "$*"; }

say "building pelorin.exe"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target pelorin pelorin_automate >/dev/null
helper=$(find build/win64/tests/automation -name pelorin_automate.exe | head -n1)
out=build/win64/demo
mkdir -p "$out"

say "building the sample installer (makensis)"
makensis -V2 -DOUTFILE="$root/$out/sample-setup.exe" samples/installer/sample.nsi

say "creating a throwaway Wine prefix"
. scripts/wine-env.sh
. scripts/xvfb.sh
rm -rf "$out/wine"
pelorin_wine_setup "$out/wine"
pelorin_start_xvfb
"$PELORIN_WINESERVER" -p
trap '"$PELORIN_WINESERVER" -k 2>/dev/null || true; pelorin_stop_xvfb' EXIT
pelorin_wine_start_services
drive_c="$WINEPREFIX/drive_c"
cp "$out/sample-setup.exe" "$drive_c/sample-setup.exe"
exe="Z:${root//\//\\}\\build\\win64\\pelorin.exe"
TITLE="Pelorin V 1.1.4"

# automate <log> <steps...>: the window-automation helper, its output kept in a log.
automate() {
  local log=$1
  shift
  if ! timeout 3600 "$PELORIN_WINE" "$helper" "$@" >"$log" 2>&1; then
    echo "the run did not go as expected:" >&2
    cat "$log" >&2
    return 1
  fi
}

# track <result option>: one-click run; the installer is silent, so only Pelorin's own dialogs
# need an answer: One-Click in the start dialog, Yes to "Setup complete?".
track() {
  automate "$out/$1.log" start "$exe -SetupFileName:C:\\sample-setup.exe $2" \
    wait title="$TITLE" text="&Options..." timeout=120 press '#1000' \
    wait text="&Yes" timeout=3600 press '#1' "${@:3}"
}

say "tracking the sample installer (one-click, result file)"
# Step by step, to time the passes: pass 1 ends when "Running setup..." appears, the installer
# when "Setup complete?" does, pass 2 when the report of the result file does. Each step also
# pays for starting the helper under Wine (well under a second with the server running).
now() { date +%s.%N; }
seconds() { awk "BEGIN { printf \"%.1f\", $2 - $1 }"; }
automate "$out/result-start.log" start "$exe -SetupFileName:C:\\sample-setup.exe -SaveResult:C:\\pelorin-result.txt" \
  wait title="$TITLE" text="&Options..." timeout=120 press '#1000'
t0=$(now)
pid=$(sed -n 's/^pid \([0-9]*\).*/\1/p' "$out/result-start.log")
automate "$out/result-pass1.log" attach "$pid" wait text="Running setup..." timeout=3600
t1=$(now)
automate "$out/result-setup.log" attach "$pid" wait text="&Yes" timeout=3600 press '#1'
t2=$(now)
# The text report of a windowed program is a message box without a caption.
automate "$out/result-pass2.log" attach "$pid" wait title= text=OK timeout=3600 texts press OK exit timeout=120
t3=$(now)
echo "pass 1 (snapshot): $(seconds "$t0" "$t1") s, installer: $(seconds "$t1" "$t2") s," \
  "pass 2 (comparison and result file): $(seconds "$t2" "$t3") s"
say "what the installer changed"
status=0
if [ "$check" = 1 ]; then
  python3 tools/print_result.py "$drive_c/pelorin-result.txt" --expect samples/installer/expected.txt || status=$?
else
  python3 tools/print_result.py "$drive_c/pelorin-result.txt"
fi

if [ "$window" = 1 ]; then
  say "the result window (installing once more after the uninstaller)"
  "$PELORIN_WINE" "C:\\Program Files\\Common Files\\Pelorin Sample\\uninstall.exe" /S "_?=C:\\Program Files\\Common Files\\Pelorin Sample" || true
  rm -rf "$drive_c/Program Files/Common Files/Pelorin Sample"
  track window "" wait title="Result Pelorin" timeout=3600 sleep 1500
  xwd -root -silent -display "$DISPLAY" | convert xwd:- -trim +repage "$out/result-window.png"
  echo "screenshot: $out/result-window.png"
  if [ -z "${PELORIN_XVFB_PID:-}" ] && [ "$check" = 0 ]; then
    # A real display: the window is the user's to look at and close.
    pid=$(sed -n 's/^pid \([0-9]*\).*/\1/p' "$out/window.log")
    echo "close the result window to finish"
    automate "$out/window-close.log" attach "$pid" exit timeout=86400
  else
    automate "$out/window-close.log" wait title="Result Pelorin" press Close
  fi
fi
exit "$status"
