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
