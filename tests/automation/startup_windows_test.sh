#!/bin/bash
# Runs pelorin.exe under Wine and reads its message boxes back with pelorin_automate: refused
# arguments, the German texts for a German user, the language switches, and the guard against
# a missing resource container. The expected texts come from the string-table sources.
#
# startup_windows_test.sh <source dir> <wine dir> <pelorin.exe> <pelorin_automate.exe> <image without container>
set -u
src=$1 winedir=$2 exe=$3 helper=$4 image=$5
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: start Xvfb first (scripts/xvfb.sh)"; exit 1; }

TITLE="Pelorin V 1.1.4"
failures=0

windows_name() { printf 'Z:%s' "${1//\//\\}"; }

. "$src/tests/automation/string_texts.sh"

# A template with its one "%s" filled (no pattern substitution: names hold backslashes).
fill() { printf '%s%s%s' "${1%%\%s*}" "$2" "${1#*\%s}"; }

# Boxes and exit code of one run, as lines "box<TAB>title", "text<TAB>message", "exit <code>".
transcript() {
    awk -F '\t' '$1 == "window" { print "box\t" $3 } $1 == "control" && $2 == "65535" { print "text\t" $4 } /^exit / { print }'
}

# scenario <name> <LC_ALL> <expected transcript> <pelorin_automate steps...>
scenario() {
    local name=$1 locale=$2 expected=$3
    shift 3
    local output got
    output=$(LC_ALL=$locale timeout 180 "$src/scripts/wine-run" "$winedir" "$helper" "$@" 2>&1)
    got=$(printf '%s\n' "$output" | transcript)
    if [ "$got" == "$expected" ]; then
        echo "ok: $name"
    else
        echo "FAILED: $name"
        echo "--- expected"; printf '%s\n' "$expected"
        echo "--- got"; printf '%s\n' "$got"
        echo "--- helper output"; printf '%s\n' "$output"
        failures=$((failures + 1))
    fi
}

program=$(windows_name "$exe")
en=$(strings_file 0x0100) || { echo "no English string table"; exit 1; }
de=$(strings_file 0x0200) || { echo "no German string table"; exit 1; }
en136=$(text_of 136 "$en") && en137=$(text_of 137 "$en") && de136=$(text_of 136 "$de") && de137=$(text_of 137 "$de") ||
    { echo "messages 136 and 137 missing from the string tables"; exit 1; }
[ "$en136" != "$de136" ] || { echo "the German and English texts of 136 are the same: nothing to tell apart"; exit 1; }

# Each box is answered with OK (id 1, whatever the button says in the user's language); a
# window other than the expected boxes keeps the process alive and makes "exit" fail.
steps_for() { local n=$1; shift; printf '%s\n' start "$*"; for ((i = 0; i < n; i++)); do printf '%s\n' answer '#1' timeout=30; done; printf '%s\n' exit timeout=30 code=0; }
run() {  # run <name> <locale> <expected> <boxes> <command line>
    local name=$1 locale=$2 expected=$3 boxes=$4 line=$5
    local -a steps
    mapfile -t steps < <(steps_for "$boxes" "$line")
    scenario "$name" "$locale" "$expected" "${steps[@]}"
}

nl=$'\n' tab=$'\t'
run "-debug (a lower-case option is a directory) shows 136, then 137" en_US.UTF-8 \
    "box${tab}${TITLE}${nl}text${tab}$(fill "$en136" -debug)${nl}box${tab}${TITLE}${nl}text${tab}$(fill "$en137" "$program")${nl}exit 0" \
    2 "\"$program\" -debug"

run "-Save: with -Load: shows 137 only" en_US.UTF-8 \
    "box${tab}${TITLE}${nl}text${tab}$(fill "$en137" "$program")${nl}exit 0" \
    1 "\"$program\" -Save:a.sna -Load:b.sna"

run "German user language gives the German texts" de_DE.UTF-8 \
    "box${tab}${TITLE}${nl}text${tab}$(fill "$de136" -debug)${nl}box${tab}${TITLE}${nl}text${tab}$(fill "$de137" "$program")${nl}exit 0" \
    2 "\"$program\" -debug"

# The language-id line goes through the text report: a box without a caption.
run "-~lid reports the German ids, -~lang:en forces English" de_DE.UTF-8 \
    "box${tab}${nl}text${tab}LID: 407[7,1]/407[7,1]${nl}box${tab}${TITLE}${nl}text${tab}$(fill "$en137" "$program")${nl}exit 0" \
    2 "\"$program\" -~lid -~lang:en -Load:b.sna -Save:a.sna"

# The linked image without its container: the built-in message under the system's caption.
output=$(LC_ALL=en_US.UTF-8 timeout 180 "$src/scripts/wine-run" "$winedir" "$helper" \
    start "\"$(windows_name "$image")\"" answer '#1' timeout=30 exit timeout=30 code=0 2>&1)
got=$(printf '%s\n' "$output" | transcript)
if printf '%s\n' "$got" | grep -qx "text${tab}Bad resource data!" && printf '%s\n' "$got" | grep -qx 'exit 0' &&
    ! printf '%s\n' "$got" | grep -q "^box${tab}${TITLE}\$" && [ "$(printf '%s\n' "$got" | grep -c '^box')" = 1 ]; then
    echo "ok: no container shows \"Bad resource data!\""
else
    echo "FAILED: no container shows \"Bad resource data!\""; printf '%s\n' "$output"
    failures=$((failures + 1))
fi

[ "$failures" = 0 ]
