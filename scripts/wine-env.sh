# Sourced by the scripts that run Windows programs. Sets up Wine for a throwaway prefix inside
# a folder given as $1 (prefix/ and an empty home/ that the profile folders link to).
pelorin_wine_setup() {
  PELORIN_WINE_DIR=$(mkdir -p "$1" && cd "$1" && pwd)
  export WINEPREFIX="$PELORIN_WINE_DIR/prefix"
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialogs when the prefix is created.
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
  export HOME="$PELORIN_WINE_DIR/home"
  mkdir -p "$HOME"
  if [ -x /usr/lib/wine/wine64 ]; then PELORIN_WINE=/usr/lib/wine/wine64; else PELORIN_WINE=$(command -v wine64 || command -v wine); fi
  if [ -x /usr/lib/wine/wineserver64 ]; then PELORIN_WINESERVER=/usr/lib/wine/wineserver64; else PELORIN_WINESERVER=$(command -v wineserver); fi
  export PELORIN_WINE PELORIN_WINESERVER
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    (
      flock 9
      if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$PELORIN_WINE" wineboot -i >/dev/null 2>&1
        "$PELORIN_WINESERVER" -w
      fi
    ) 9>"$PELORIN_WINE_DIR/.prefix.lock"
  fi
}

# Wine starts its system processes (services, device manager) together with the first program of
# a session, and they inherit that program's output handles; whoever reads that output (ctest)
# would then wait for them until the server ends. Start them first, with their output going
# nowhere. Quick when they are already running.
pelorin_wine_start_services() {
  "$PELORIN_WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
}
