#!/bin/bash
# Opens the result window through result_window_driver.exe under Wine, for an English and a
# German user, and works it with pelorin_automate as a user would: the buttons and headings,
# Copy all and Copy through the clipboard, re-sorting by clicking the headings (twice: no
# toggle), the popup menu's greying for no row, an undoable and an unchangeable row, undo with
# both answers and both outcomes, the web search address and the help page. The expected texts
# come from the string-table sources. Screenshots: <artifacts dir>/result_<language>.png.
#
# result_window_test.sh <source dir> <wine dir> <result_window_driver.exe> <pelorin_automate.exe> <artifacts dir>
set -u
src=$1 winedir=$2 driver=$3 helper=$4 artifacts=$5
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: start Xvfb first (scripts/xvfb.sh)"; exit 1; }
. "$src/tests/automation/string_texts.sh"
. "$src/tests/automation/window_test_common.sh"

IDOK=1 IDYES=6 IDNO=7 BOX_TITLE="Pelorin V 1.1.4" VK_HOME=0x24 VK_DOWN=0x28 LIST=100
failures=0
work="$artifacts/result-window"
rm -rf "$work"
mkdir -p "$work"

shoot() {
    local log=$1 png=$2 x y w h
    read -r _ x y w h < <(grep -m1 '^window ' "$log")
    if ! xwd -root -silent -display "$DISPLAY" | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "$png"; then
        fail "screenshot $png"
    fi
}

# One clipboard row as the helper prints it: the cells joined by \t, ended by \r\n.
row() { printf '%s\\t%s\\t%s\\t%s\\r\\n' "$@"; }

run_language() {
    local code=$1 locale=$2 table=$3
    local log="$work/$code.log" out pid title
    title="$(text_of 138 "$table") Pelorin"
    automate() { LC_ALL=$locale timeout 120 "$src/scripts/wine-run" "$winedir" "$helper" attach "$pid" \
        wait title="$title" class='#32770' timeout=30 "$@" 2>&1; }
    clip() { automate "$@" clipboard | sed -n 's/^clipboard\t//p'; }
    echo "--- $code ($locale)"

    LC_ALL=$locale "$src/scripts/wine-run" "$winedir" "$driver" "$(windows_name "$log")" \
        >"$work/$code.out" 2>&1 </dev/null &
    local runner=$!
    if ! wait_log "$log" '^layout\|^outside' 60; then
        fail "$code: the result window did not open"; cat "$work/$code.out" "$log"; kill "$runner"; return
    fi
    pid=$(sed -n 's/^pid \([0-9]*\)$/\1/p' "$log")
    grep -qx 'layout ok' "$log" || fail "$code: controls outside the client area: $(grep -m1 '^outside' "$log")"

    # Buttons and the list.
    out=$(automate texts)
    local id text
    while IFS='|' read -r id text; do
        grep -q "^control	$id	Button	$text\$" <<<"$out" || fail "$code: no button \"$text\" with id $id"
    done <<EOT
10|$(text_of 196 "$table")
11|$(text_of 197 "$table")
1|$(text_of 139 "$table")
3|$(text_of 116 "$table")
EOT
    grep -q "^control	$LIST	SysListView32	" <<<"$out" || fail "$code: no list view with id $LIST"
    # Columns in the shares 23 : 7 : 35 : 35 of the list width.
    local w0 w1 w2 w3
    read -r _ _ _ w0 w1 w2 w3 < <(grep -m1 '^rows ' "$log")
    [ "$w2" = "$w3" ] && [ $((w0 * 7)) -ge $((w1 * 23 - 23)) ] && [ $((w0 * 7)) -le $((w1 * 23 + 23)) ] &&
        [ $((w2 * 23)) -ge $((w0 * 35 - 35)) ] && [ $((w2 * 23)) -le $((w0 * 35 + 35)) ] ||
        fail "$code: column widths $w0 $w1 $w2 $w3"

    local k1 k2 k3 k6 k7 k8
    k1=$(text_of 143 "$table") k2=$(text_of 144 "$table") k3=$(text_of 145 "$table")
    k6=$(text_of 148 "$table") k7=$(text_of 198 "$table") k8=$(text_of 149 "$table")
    local run='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
    local tool='C:\Program Files\Orvex Tools\orvex tool.exe' locked='C:\Program Files\Orvex Tools\locked'
    local r_tool r_version r_updater r_key r_locked r_ini
    r_tool=$(row "$k6" 3 "$tool" "") r_version=$(row "$k3" 2 Version 'HKLM\SOFTWARE\Orvex')
    r_updater=$(row "$k2" 1 OrvexUpdater "$run") r_key=$(row "$k1" 0 'HKLM\SOFTWARE\Orvex\Tools' "")
    r_locked=$(row "$k7" 0 "$locked" "") r_ini=$(row "$k8" 0 'C:\windows\win.ini' "")

    # Copy all: the priority order the window opened with.
    local got expected
    got=$(clip press '#11')
    expected="$r_tool$r_version$r_updater$r_key$r_locked$r_ini"
    [ "$got" == "$expected" ] || fail "$code: Copy all gave \"$got\", expected \"$expected\""
    shoot "$log" "$artifacts/result_$code.png"

    # Type twice: the kind order both times.
    expected="$r_key$r_updater$r_version$r_tool$r_locked$r_ini"
    got=$(clip column $LIST 0 press '#11')
    [ "$got" == "$expected" ] || fail "$code: after Type gave \"$got\", expected \"$expected\""
    got=$(clip column $LIST 0 press '#11')
    [ "$got" == "$expected" ] || fail "$code: Type clicked again gave \"$got\""
    # Value 1: by the first text, code unit by code unit.
    expected="$r_locked$r_tool$r_ini$r_key$r_updater$r_version"
    got=$(clip column $LIST 2 press '#11')
    [ "$got" == "$expected" ] || fail "$code: after Value 1 gave \"$got\", expected \"$expected\""

    # No row has the focus: Undo and the search are greyed, the copies are not.
    automate click $LIST right empty >/dev/null
    [ "$(grep '^menu ' "$log" | tail -n1)" == "menu undo=0 search=0 copy=1 copyall=1" ] ||
        fail "$code: menu without a focused row: $(grep '^menu ' "$log" | tail -n1)"

    # The first row (the "locked" directory): Copy takes it alone, Undo is offered.
    got=$(clip key $LIST $VK_HOME press '#10')
    [ "$got" == "$r_locked" ] || fail "$code: Copy of the first row gave \"$got\""
    automate click $LIST right 0 >/dev/null
    [ "$(grep '^menu ' "$log" | tail -n1)" == "menu undo=1 search=1 copy=1 copyall=1" ] ||
        fail "$code: menu on an undoable row: $(grep '^menu ' "$log" | tail -n1)"
    # Undo, answered No: nothing happens.
    local question box
    # A message box shows the text's line break as it is, a plain LF.
    question=$(text_of 188 "$table" | sed 's/\\r\\n/\\n/g')
    out=$(automate command 0x3006 answer "#$IDNO" title="$BOX_TITLE" timeout=30)
    box=$(awk -F '\t' '$1 == "control" && $2 == "65535" { print $4 }' <<<"$out" | head -n1)
    [ "$box" == "$question" ] || fail "$code: the undo question is \"$box\", expected \"$question\""
    grep -q '^undo ' "$log" && fail "$code: No undid the change"
    # Undo, answered Yes, failing.
    out=$(automate command 0x3006 answer "#$IDYES" title="$BOX_TITLE" timeout=30 answer "#$IDOK" title="$BOX_TITLE" timeout=30)
    box=$(awk -F '\t' '$1 == "control" && $2 == "65535" { print $4 }' <<<"$out" | sed -n 2p)
    [ "$box" == "$(text_of 190 "$table")" ] || fail "$code: after a failed undo the box says \"$box\""
    grep -qxF "undo $locked failed" "$log" || fail "$code: the failing undo was not tried"

    # The second row (the added file): undone with success, then no longer offered.
    out=$(automate key $LIST $VK_DOWN command 0x3006 answer "#$IDYES" title="$BOX_TITLE" timeout=30 answer "#$IDOK" title="$BOX_TITLE" timeout=30)
    box=$(awk -F '\t' '$1 == "control" && $2 == "65535" { print $4 }' <<<"$out" | sed -n 2p)
    [ "$box" == "$(text_of 189 "$table")" ] || fail "$code: after an undo the box says \"$box\""
    grep -qxF "undo $tool ok" "$log" || fail "$code: the undo was not done"
    automate click $LIST right 1 >/dev/null
    [ "$(grep '^menu ' "$log" | tail -n1)" == "menu undo=0 search=1 copy=1 copyall=1" ] ||
        fail "$code: menu on an undone row: $(grep '^menu ' "$log" | tail -n1)"
    # The undone entry stays in the list.
    [ "$(clip press '#11')" == "$r_locked$r_tool$r_ini$r_key$r_updater$r_version" ] || fail "$code: the list changed after undo"

    # Search for the file: its name alone, encoded.
    automate command 0x3003 >/dev/null
    local search
    search=$(text_of 157 "$table")
    grep -qxF "open ${search}orvex+tool.exe" "$log" ||
        fail "$code: search for the file opened: $(grep '^open ' "$log" | tail -n1)"
    # A changed file cannot be undone.
    automate click $LIST right 2 >/dev/null
    [ "$(grep '^menu ' "$log" | tail -n1)" == "menu undo=0 search=1 copy=1 copyall=1" ] ||
        fail "$code: menu on a changed file: $(grep '^menu ' "$log" | tail -n1)"
    # The added value, two rows further down: its name, a blank and its key.
    automate key $LIST $VK_DOWN key $LIST $VK_DOWN command 0x3003 >/dev/null
    grep -qxF "open ${search}OrvexUpdater+HKLM%5CSOFTWARE%5CMicrosoft%5CWindows%5CCurrentVersion%5CRun" "$log" || fail "$code: search for the value opened: $(grep '^open ' "$log" | tail -n1)"

    # Help opens topic 102 beside the program.
    automate press '#3' >/dev/null
    grep -q '^open .*\\help\\'"$code"'\\topic102\.html$' "$log" || fail "$code: help opened: $(grep '^open ' "$log" | tail -n1)"

    out=$(automate press '#1' exit timeout=30 code=0)
    grep -qx 'file gone' "$log" || fail "$code: the undone file is still there"
    grep -qx 'exit 0' <<<"$out" && grep -qx 'result 1' "$log" || { fail "$code: Close did not end the window"; printf '%s\n' "$out"; }
    wait "$runner"
    echo "log:"; sed 's/^/  /' "$log"
}

show_wine_frames

read_string_tables
run_language en en_US.UTF-8 "$en"
run_language de de_DE.UTF-8 "$de"

[ "$failures" = 0 ] && echo "result window: all checks passed"
[ "$failures" = 0 ]
