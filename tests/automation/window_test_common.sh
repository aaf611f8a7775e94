# Sourced by the window tests: names for Wine, failure counting, and waiting for a driver's log.

# A Unix path as a Windows program sees it (drive Z:).
windows_name() { printf 'Z:%s' "${1//\//\\}"; }
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# wait_log <log> <pattern> <seconds>: true once a line of the log matches.
wait_log() {
    local log=$1 pattern=$2 seconds=$3 i
    for ((i = 0; i < seconds * 10; i++)); do
        grep -q -- "$pattern" "$log" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# Wine draws the frame and caption itself (there is no window manager under Xvfb to do it), so
# that the screenshots show the whole window.
show_wine_frames() {
    LC_ALL=C timeout 60 "$src/scripts/wine-run" "$winedir" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f \
        >/dev/null 2>&1 || echo "note: Wine's own window frames could not be switched on"
}

# Sets en and de to the build's English and German string tables; ends the test without them.
read_string_tables() {
    en=$(strings_file 0x0100) || { echo "no English string table"; exit 1; }
    de=$(strings_file 0x0200) || { echo "no German string table"; exit 1; }
}
