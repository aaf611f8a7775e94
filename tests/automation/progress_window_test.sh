#!/bin/bash
# Opens the progress window through progress_window_driver.exe under Wine, for an English and a
# German user, and drives it with pelorin_automate: the pass texts and the section headings;
# texts of two worker threads arriving through flush; Cancel answered No (the run goes on) and
# then Yes (the workers stop); the totals in the heading rows. The expected texts come from the
# string-table sources. Screenshots of the running and the cancelled window are kept in
# <artifacts dir> (progress_<language>.png, progress_<language>_cancelled.png); an English run
# with a 240-pixel work area shows the compact layout (progress_en_compact*.png).
#
# progress_window_test.sh <source dir> <wine dir> <progress_window_driver.exe> <pelorin_automate.exe> <artifacts dir>
set -u
src=$1 winedir=$2 driver=$3 helper=$4 artifacts=$5
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: start Xvfb first (scripts/xvfb.sh)"; exit 1; }
. "$src/tests/automation/string_texts.sh"
. "$src/tests/automation/window_test_common.sh"

TITLE="Pelorin V 1.1.4"
IDYES=6 IDNO=7
failures=0
work="$artifacts/progress-window"
rm -rf "$work"
mkdir -p "$work"

# The part of a template before its first directive.
prefix_of() { printf '%s' "${1%%\%*}"; }

# Waits up to <seconds> for a line matching <pattern> in the driver's log.

# The texts of the status statics in creation order (lines 0 to 10), one per output line.
statics() { awk -F '\t' '$1 == "control" && tolower($3) == "static" { print $4 }'; }
static_line() { statics <<<"$1" | sed -n "$(($2 + 1))p"; }

# A screenshot of the dialog, cut from the screen by the rectangle the driver logged.
shoot() {
    local log=$1 png=$2 x y w h
    read -r _ x y w h < <(grep -m1 '^window ' "$log")
    if ! xwd -root -silent -display "$DISPLAY" | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "$png"; then
        fail "screenshot $png"
    fi
}

# run_language <name> <locale> <string table> [<runtime switch>]
run_language() {
    local code=$1 locale=$2 table=$3 switch=${4:-}
    local log="$work/$code.log" stop="$work/$code.stop" pause="$work/$code.pause"
    local t129 t160 t161 t152 t154 t115 t159 t183 t162 t163 t164 t170 t168
    t129=$(text_of 129 "$table") t160=$(text_of 160 "$table") t161=$(text_of 161 "$table")
    t152=$(text_of 152 "$table") t154=$(text_of 154 "$table") t115=$(text_of 115 "$table")
    t159=$(text_of 159 "$table") t183=$(text_of 183 "$table") t162=$(text_of 162 "$table")
    t163=$(text_of 163 "$table") t164=$(text_of 164 "$table") t170=$(text_of 170 "$table")
    t168=$(text_of 168 "$table")
    automate() { LC_ALL=$locale timeout 120 "$src/scripts/wine-run" "$winedir" "$helper" "$@" 2>&1; }
    echo "--- $code ($locale)"

    # The driver runs on its own, not under the helper: a program started by the helper would
    # keep the helper's output open, and the script would wait for it.
    LC_ALL=$locale "$src/scripts/wine-run" "$winedir" "$driver" "$(windows_name "$log")" "$(windows_name "$stop")" \
        "$(windows_name "$pause")" ${switch:+"$switch"} \
        >"$work/$code.out" 2>&1 </dev/null &
    local runner=$! out pid
    if ! wait_log "$log" '^cancelled 0' 60; then
        fail "$code: the progress window did not open"; cat "$work/$code.out" "$log"; touch "$stop"; wait "$runner"; return
    fi
    pid=$(sed -n 's/^pid \([0-9]*\)$/\1/p' "$log")
    out=$(automate attach "$pid" wait title="$TITLE" class='#32770' timeout=60 sleep 1000 texts)
    # A 240-pixel work area asks for the compact layout with its 9-point font; the 1280 x 1024
    # screen of Xvfb does not.
    local font="font 10 compact 0"
    [ -n "$switch" ] && font="font 9 compact 1"
    grep -qx "$font" "$log" || fail "$code: expected \"$font\", the driver logged \"$(grep -m1 '^font' "$log")\""

    # Lines 0 to 2 were set directly, 3 and 6 hold the headings, the rest came through flush.
    local -a expect=("$t129" "$t160" "$t161" "$t152" "" "" "$t154")
    for line in 0 1 2 3 6; do
        [ "$(static_line "$out" "$line")" == "${expect[$line]}" ] ||
            fail "$code: line $line is \"$(static_line "$out" "$line")\", expected \"${expect[$line]}\""
    done
    local -a starts=([4]='HKLM\SOFTWARE\Classes\CLSID\{' [5]="$(prefix_of "$t183")" [7]='C:\Windows\System32\drivers\file'
                     [8]="$(prefix_of "$t162")" [9]="$(prefix_of "$t163")" [10]="$(prefix_of "$t164")9e107d9d")
    for line in 4 5 7 8 9 10; do
        [[ "$(static_line "$out" "$line")" == "${starts[$line]}"* ]] ||
            fail "$code: line $line is \"$(static_line "$out" "$line")\", expected it to start with \"${starts[$line]}\""
    done
    grep -q "^control	99	Button	$t115\$" <<<"$out" || fail "$code: no Cancel button \"$t115\" with id 99"
    # The workers hold still for the picture, so that no line is caught half repainted.
    touch "$pause"; sleep 0.7
    shoot "$log" "$artifacts/progress_$code.png"
    rm -f "$pause"

    # Cancel, then No: the question is string 159 and the workers go on.
    out=$(automate attach "$pid" wait title="$TITLE" class='#32770' press '#99' answer "#$IDNO" timeout=30 \
        wait title="$TITLE" class='#32770' texts sleep 1200 texts)
    local box first second
    box=$(awk -F '\t' '$1 == "control" && $2 == "65535" { print $4 }' <<<"$out" | head -n1)
    [ "$box" == "$t159" ] || { fail "$code: the Cancel question is \"$box\", expected \"$t159\""; printf '%s\n' "$out"; }
    first=$(awk -F '\t' '$1 == "window" { n++ } n == 2' <<<"$out" | statics | sed -n 5p)
    second=$(awk -F '\t' '$1 == "window" { n++ } n == 3' <<<"$out" | statics | sed -n 5p)
    [ -n "$first" ] && [ "$first" != "$second" ] || fail "$code: after No the registry line stands still (\"$first\")"
    grep -q '^cancelled 1' "$log" && fail "$code: answering No cancelled the run"

    # Cancel, then Yes: the driver sees the request, its workers stop, the totals replace the headings.
    out=$(automate attach "$pid" wait title="$TITLE" class='#32770' press '#99' answer "#$IDYES" timeout=30)
    if ! wait_log "$log" '^totals shown' 30; then
        fail "$code: the cancel request was not seen"; printf '%s\n' "$out"; cat "$log"; touch "$stop"; wait "$runner"; return
    fi
    grep -qx 'cancelled 1' "$log" || fail "$code: the run ended without a cancel request"
    grep -qx 'layout ok' "$log" || fail "$code: texts outside the client area: $(grep -m1 '^outside' "$log")"
    read -r _ registry files _ recorded expected < <(grep -m1 '^workers ' "$log")
    [ "${registry:-0}" -gt 0 ] && [ "${files:-0}" -gt 0 ] || fail "$code: a worker reported nothing"
    [ -n "${recorded:-}" ] && [ "$recorded" == "$expected" ] || fail "$code: $recorded changes recorded of $expected"
    out=$(automate attach "$pid" wait title="$TITLE" class='#32770' texts)
    [[ "$(static_line "$out" 3)" == "$(prefix_of "$t170")"* ]] || fail "$code: line 3 shows \"$(static_line "$out" 3)\""
    [[ "$(static_line "$out" 6)" == "$(prefix_of "$t168")"* ]] || fail "$code: line 6 shows \"$(static_line "$out" 6)\""
    shoot "$log" "$artifacts/progress_${code}_cancelled.png"

    touch "$stop"
    out=$(automate attach "$pid" exit timeout=30 code=0)
    grep -qx 'exit 0' <<<"$out" && grep -qx 'done' "$log" || { fail "$code: the driver did not end"; printf '%s\n' "$out"; }
    wait "$runner"
    echo "log:"; sed 's/^/  /' "$log"
}

show_wine_frames

read_string_tables
run_language en en_US.UTF-8 "$en"
run_language de de_DE.UTF-8 "$de"
run_language en_compact en_US.UTF-8 "$en" -~workarea:240,320

[ "$failures" = 0 ] && echo "progress window: all checks passed"
[ "$failures" = 0 ]
