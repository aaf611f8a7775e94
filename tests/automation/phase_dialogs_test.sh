#!/bin/bash
# Opens each phase dialog through phase_dialogs_driver.exe under Wine, for an English and a
# German user, and works it with pelorin_automate: the texts and ids of every control, the
# picture buttons and what they leave behind, Help, the setup question refusing the close box,
# the end-session save while the installer runs, and in the options dialog the popup menu's
# greying, a new directory through the directory dialog (refused for a missing directory),
# deleting, the home page, and OK refused with both scan kinds unchecked. The expected texts
# come from the string-table sources. Screenshots: <artifacts dir>/<dialog>_<language>.png.
#
# phase_dialogs_test.sh <source dir> <wine dir> <phase_dialogs_driver.exe> <pelorin_automate.exe> <artifacts dir>
set -u
src=$1 winedir=$2 driver=$3 helper=$4 artifacts=$5
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: start Xvfb first (scripts/xvfb.sh)"; exit 1; }
. "$src/tests/automation/string_texts.sh"
. "$src/tests/automation/window_test_common.sh"

TITLE="Pelorin V 1.1.4"
WM_CLOSE=0x10 WM_QUERYENDSESSION=0x11 BM_CLICK=0xF5 CB_SETCURSEL=0x14E
failures=0
work="$artifacts/phase-dialogs"
rm -rf "$work"
mkdir -p "$work"

# A screenshot of the first dialog the driver logged, or of a given window rectangle.
shoot() {
    local png=$1 x=$2 y=$3 w=$4 h=$5
    xwd -root -silent -display "$DISPLAY" | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "$png" || fail "screenshot $png"
}
shoot_log() { local x y w h; read -r _ x y w h < <(grep -m1 '^window ' "$1"); shoot "$2" "$x" "$y" "$w" "$h"; }

# expect_control <texts output> <id> <class> <text>; a line break of the text shows as a plain LF.
expect_control() {
    local want=${4//\\r\\n/\\n}
    grep -qxF "control	$2	$3	$want" <<<"$1" || fail "$code: no $3 $2 \"$want\""
}

last() { grep "^$2" "$1" | tail -n1; }

run_language() {
    code=$1
    local locale=$2 table=$3 log out pid
    t() { text_of "$1" "$table"; }
    # The helper reads its arguments in UTF-8 whatever the language of the program it drives.
    automate() { LC_ALL=C.UTF-8 timeout 120 "$src/scripts/wine-run" "$winedir" "$helper" attach "$pid" "$@" 2>&1; }
    # start_driver <dialog> [<stop file>]: sets log and pid
    start_driver() {
        log="$work/$code-$1.log"
        LC_ALL=$locale "$src/scripts/wine-run" "$winedir" "$driver" "$(windows_name "$log")" "$1" \
            ${2:+"$(windows_name "$2")"} >"$work/$code-$1.out" 2>&1 </dev/null &
        runner=$!
        if ! wait_log "$log" '^layout\|^outside' 60; then
            fail "$code: the $1 dialog did not open"; cat "$work/$code-$1.out" "$log"; kill "$runner"; return 1
        fi
        pid=$(sed -n 's/^pid \([0-9]*\)$/\1/p' "$log")
        return 0
    }
    # The driver writes its result line last and ends.
    finish() {
        if ! wait_log "$log" '^result ' 30; then
            fail "$code: the dialog did not end"; kill "$runner"; return
        fi
        wait "$runner"
        ! grep -q '^outside' "$log" || fail "$code: controls outside the client area in $log"
        grep -qx "result $1" "$log" || fail "$code: the dialog ended with \"$(last "$log" result)\", expected \"result $1\""
    }
    echo "--- $code ($locale)"

    # Start dialog: the introduction, two pictures with their tips, four buttons; Two-Phase.
    if start_driver start; then
        out=$(automate wait title="$TITLE" class='#32770' texts)
        expect_control "$out" -1 Static "$(t 107)"
        expect_control "$out" 1000 Button ""
        expect_control "$out" 1001 Button ""
        expect_control "$out" 10 Button "$(t 124)"
        expect_control "$out" 11 Button "$(t 125)"
        expect_control "$out" 2 Button "$(t 115)"
        expect_control "$out" 3 Button "$(t 116)"
        shoot_log "$log" "$artifacts/start_$code.png"
        automate wait title="$TITLE" class='#32770' press '#3' press '#1001' >/dev/null
        finish '1 mode 2 load 0 choice 0'
        grep -q "^open .*\\\\help\\\\$code\\\\topic100\.html$" "$log" || fail "$code: start help opened \"$(last "$log" open)\""
    fi

    # Phase-2 dialog: continue.
    if start_driver phase2; then
        out=$(automate wait title="$TITLE" class='#32770' texts)
        expect_control "$out" 1000 Button ""
        expect_control "$out" 2 Button "$(t 115)"
        expect_control "$out" 3 Button "$(t 116)"
        shoot_log "$log" "$artifacts/phase2_$code.png"
        automate wait title="$TITLE" class='#32770' press '#1000' >/dev/null
        finish '1 mode 0 load 0 choice 1'
    fi

    # "Setup complete?": the close box does nothing, No ends with 0.
    if start_driver question; then
        out=$(automate wait title="$TITLE" class='#32770' texts send 0 $WM_CLOSE sleep 500 texts)
        expect_control "$out" -1 Static "$(t 108)"
        expect_control "$out" 1 Button "$(t 201)"
        expect_control "$out" 2 Button "$(t 202)"
        [ "$(grep -c '^window' <<<"$out")" = 2 ] || fail "$code: the close box closed the setup question"
        shoot_log "$log" "$artifacts/setup_question_$code.png"
        automate wait title="$TITLE" class='#32770' press '#2' >/dev/null
        finish '0 mode 0 load 0 choice 0'
        grep -qx 'remembered none' "$log" || fail "$code: a snapshot was saved without an end of session"
    fi

    # "Running setup...": Windows ends the session, the snapshot is saved and remembered.
    local stop="$work/$code-running.stop"
    if start_driver running "$stop"; then
        out=$(automate wait title="$TITLE" class='#32770' texts)
        expect_control "$out" -1 Static "$(t 200)"
        grep -q '	Button	' <<<"$out" && fail "$code: the running setup dialog has buttons"
        shoot_log "$log" "$artifacts/setup_running_$code.png"
        out=$(automate wait title="$TITLE" class='#32770' send 0 $WM_QUERYENDSESSION)
        grep -qx 'sent	1' <<<"$out" || fail "$code: the end of session was not allowed: $out"
        touch "$stop"
        finish '1 mode 0 load 0 choice 0'
        grep -q '^remembered .*\\[^\\]*-[0-9]\{14\} exists$' "$log" ||
            fail "$code: after the end of session: \"$(last "$log" remembered)\""
    fi

    # Options, with a new directory through the directory dialog.
    local options edit
    options=$(t 111) edit=$(t 121)
    if start_driver options; then
        out=$(automate wait title="$options" class='#32770' texts)
        expect_control "$out" 100 Button "$(t 112)"
        expect_control "$out" 101 Button "$(t 113)"
        expect_control "$out" 103 Button "$(t 210)"
        expect_control "$out" 102 SysListView32 ""
        expect_control "$out" 1 Button "$(t 114)"
        expect_control "$out" 2 Button "$(t 115)"
        expect_control "$out" 3 Button "$(t 116)"
        expect_control "$out" 4 Button "$(t 208)"
        shoot_log "$log" "$artifacts/options_$code.png"
        automate wait title="$options" class='#32770' click 102 right empty press '#4' >/dev/null
        [ "$(last "$log" menu)" == "menu delete=0 new=1" ] || fail "$code: menu with no selection: $(last "$log" menu)"
        grep -qx 'open https://www.orvex.de/pelorin/' "$log" || fail "$code: the home page opened \"$(last "$log" open)\""

        # A double click below the rows: a new entry.
        out=$(automate wait title="$options" class='#32770' click 102 double empty wait title="$edit" class='#32770' texts)
        expect_control "$out" -1 Static "$(t 185):"
        expect_control "$out" -1 Static "$(t 186):"
        expect_control "$out" 100 Edit ""
        expect_control "$out" 200 Button "$(t 187)"
        expect_control "$out" 101 ComboBox "$(t 120)"
        expect_control "$out" 1 Button "$(t 114)"
        sleep 0.5
        local x y w h
        read -r _ x y w h < <(grep '^window ' "$log" | tail -n1)
        shoot "$artifacts/directory_$code.png" "$x" "$y" "$w" "$h"
        # A missing directory keeps the dialog open; an existing one is taken, without its "\".
        out=$(automate wait title="$edit" class='#32770' settext 100 'C:\no\such\directory' press '#1' \
            wait title="$edit" class='#32770' timeout=5 texts)
        grep -q "^window	#32770	$edit\$" <<<"$out" || fail "$code: OK took a missing directory"
        automate wait title="$edit" class='#32770' settext 100 'C:\windows\' send 101 $CB_SETCURSEL 1 press '#1' >/dev/null
        # Delete the first row.
        automate wait title="$options" class='#32770' click 102 right 0 command 0x3002 >/dev/null
        [ "$(last "$log" menu)" == "menu delete=1 new=1" ] || fail "$code: menu on a row: $(last "$log" menu)"
        # Both scan kinds off: OK does nothing. Then the file system alone, and the update files skipped.
        out=$(automate wait title="$options" class='#32770' send 100 $BM_CLICK send 101 $BM_CLICK press '#1' \
            wait title="$options" class='#32770' timeout=5 texts)
        grep -q "^window	#32770	$options\$" <<<"$out" || fail "$code: OK took two unchecked scan kinds"
        automate wait title="$options" class='#32770' send 101 $BM_CLICK send 103 $BM_CLICK press '#1' >/dev/null
        finish '1 mode 0 load 0 choice 0'
        [ "$(grep -E '^(options|path) ' "$log" | tr '\n' '|')" == 'options registry=0 filesystem=1 skip=1|path 1 C:\users|path 1 C:\windows|' ] ||
            fail "$code: the options after OK: $(grep -E '^(options|path) ' "$log" | tr '\n' '|')"
    fi
}

show_wine_frames

read_string_tables
run_language en en_US.UTF-8 "$en"
run_language de de_DE.UTF-8 "$de"

[ "$failures" = 0 ] && echo "phase dialogs: all checks passed"
[ "$failures" = 0 ]
