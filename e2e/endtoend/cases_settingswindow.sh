# shellcheck shell=bash
# The settings window as a person uses it, with real pointer and key events
# (xdotool) and the tray's helpers (cases_tray.sh): opened by a click on its
# menu item, a button of the remote pressed to find its row, a key caught
# from the keyboard, OK clicked; the next press of that button delivers the
# new chord. Its picture is the README's (scripts/screenshots.sh). And each
# of the five actions clicked in turn and back, the window then minimised.
# And a program's own map begun from the program list's 追加... and its
# popup menu of the programs on the screen, which have no stand-in in the
# native tests' simulated desktop.

ALL_CASES+=(
    settings_window_learns
    settings_window_actions
    settings_window_program
    settings_window_alt_keys
    settings_window_learns_other_remote
)

prepare_settings_window_learns() { tray_requirements; }
prepare_settings_window_actions() { tray_requirements; }
prepare_settings_window_program() { tray_requirements; }
prepare_settings_window_alt_keys() { tray_requirements; }
prepare_settings_window_learns_other_remote() { tray_requirements; }

# The settings window's controls, as the resource script numbers them.
IDC_BUTTON_LIST=1001
IDC_PRESSED=1002
IDC_KEY_CATCH=1008
IDC_ACTIONS=(1003 1004 1009 1010 1013)  # 標準の動作 キー 前面に表示 プログラムを起動 何もしない
IDC_RUN_COMMAND=1011

# control ID: SW_CONTROL, the settings window's control ID
control() { w item "$SW" "$1" >/dev/null && SW_CONTROL=${E2E_REPLY[0]}; }

# click_control ID: a real click at the middle of the control
click_control() {
    local l t r b
    control "$1" && w rect "$SW_CONTROL" >/dev/null || return 1
    read -r l t r b _ <<<"${E2E_REPLY[0]}"
    x_click $(((l + r) / 2)) $(((t + b) / 2))
}

# control_text ID: what the control shows
control_text() { control "$1" && w text "$SW_CONTROL" >/dev/null && echo "${E2E_REPLY[0]}"; }

# row_is TEXT: the list's selected row reads TEXT
row_is() {
    control $IDC_BUTTON_LIST && w lbtext "$SW_CONTROL" >/dev/null || return 1
    ROW_SEEN=${E2E_REPLY[0]}
    [ "$ROW_SEEN" = "$1" ]
}

case_settings_window_learns() {
    need e2e_viewer A "TVTest Window" --channel visible --no-hook --pos 520 60 || return 1
    need tray_begin settings_window_learns || return 1
    need e2e_korvanta_cmd 111 || return 1  # mode 1: to the viewer as TVTest KeyHook
    need w foreground "$V_A" || return 1
    local m tab=$'\t' l t r b
    m=$(mark A)
    need tap 2A || return 1
    need wait_for A "$m" ' keyhook ' 1 || return 1
    check "before: 2A is its standard Shift+Ctrl+F16" eq "$(keyhooks A "$m")" "0x7f/0x30001"

    need menu_open 1 0 0 || return 1
    need picture menu || return 1
    need menu_choose menu 6 || return 1
    check "a click on 設定(&S)... opens the settings window" w wait "#32770" 10 || return 1
    SW=${E2E_REPLY[0]}
    check "...Korvanta's" eq "$(w pid "$SW" && echo "${E2E_REPLY[0]}")" "$(w pid "$K_HWND" && echo "${E2E_REPLY[0]}")"
    check "...titled Korvanta の設定" eq "$(w text "$SW" && echo "${E2E_REPLY[0]}")" "Korvanta の設定"

    m=$(mark A)
    need tap 2A || return 1
    check "a press of 2A picks its row" within 10 row_is "2A${tab}Shift+Ctrl+F16${tab}標準" ||
        info "the row: $ROW_SEEN"
    check "...the window names the button" eq "$(control_text $IDC_PRESSED)" "押されたボタン: 2A"
    quiet
    check "...and the press reaches no viewer" nothing_reached A "$m"
    need w rect "$SW" || return 1
    read -r l t r b _ <<<"${E2E_REPLY[0]}"
    need picture settings || return 1
    doc_picture settings settings "$l" "$t" "$r" "$b"

    need click_control $IDC_KEY_CATCH || return 1
    need xdotool key shift+F5 || return 1
    check "Shift+F5 pressed into the key catcher: the row shows it as the user's own" \
        within 10 row_is "2A${tab}Shift+F5${tab}変更" || info "the row: $ROW_SEEN"
    need click_control 1 || return 1  # OK
    check "OK closes the window" w wait-gone "$SW" 10
    check "...and writes the one line" eq "$(ini_text | sed -n '/\[Buttons\]/,$p')" $'[Buttons]\n2A=Shift+F5'

    need settled_foreground A "$V_A" || return 1  # the window's focus gone with it
    m=$(mark A)
    need tap 2A || return 1
    need wait_for A "$m" ' keyhook ' 1 || return 1
    check "the next press of 2A delivers Shift+F5 to the viewer" eq "$(keyhooks A "$m")" "0x74/0x10001"
    check "exit code 0" exit_korvanta
}

# checked_actions: the indexes (0 to 4) of the action buttons that are checked
checked_actions() {
    local i checked=()
    for i in 0 1 2 3 4; do
        control "${IDC_ACTIONS[i]}" && w send "$SW_CONTROL" 0x00F0 0 0 >/dev/null || return 1  # BM_GETCHECK
        [ "${E2E_REPLY[0]}" = 0x1 ] && checked+=("$i")
    done
    echo "${checked[*]}"
}

# window_open_on_2A CASE: a viewer in front in mode 1, the settings window
# (SW) opened from the tray menu, and 2A pressed: its row, the standard
# Shift+Ctrl+F16, selected.
window_open_on_2A() {
    need e2e_viewer A "TVTest Window" --channel visible --no-hook --pos 520 60 || return 1
    need tray_begin "$1" || return 1
    need e2e_korvanta_cmd 111 || return 1
    need menu_open 1 0 0 || return 1
    need picture menu || return 1
    need menu_choose menu 6 || return 1
    need w wait "#32770" 10 || return 1
    SW=${E2E_REPLY[0]}
    need tap 2A || return 1
    need within 10 row_is "2A"$'\t'"Shift+Ctrl+F16"$'\t'"標準"
}

# The five actions are one group of radio buttons, as the dialog manager
# sees the template: a click on any checks it alone, each can be chosen and
# changed back. Then, minimised, the window learns nothing: a press reaches
# the viewer.
case_settings_window_actions() {
    need window_open_on_2A settings_window_actions || return 1
    local tab=$'\t' i m step
    # index, the row it shows
    for step in "1|2A${tab}Shift+Ctrl+F16${tab}変更" "2|2A${tab}BringToFront${tab}変更" \
        "3|2A${tab}Run \"notepad.exe\"${tab}変更" "4|2A${tab}none${tab}変更" "0|2A${tab}Shift+Ctrl+F16${tab}標準" \
        "2|2A${tab}BringToFront${tab}変更" "0|2A${tab}Shift+Ctrl+F16${tab}標準"; do
        i=${step%%|*}
        need click_control "${IDC_ACTIONS[i]}" || return 1
        if [ "$i" = 3 ]; then
            need click_control $IDC_RUN_COMMAND || return 1
            need xdotool type --delay 20 notepad.exe || return 1
        fi
        check "a click on action $i checks it alone" within 10 actions_checked_are "$i" ||
            info "checked: $(checked_actions)"
        check "...and the row shows it" within 10 row_is "${step#*|}" || info "the row: $ROW_SEEN"
    done
    # 短押し and 長押し are a group of their own: a click on 長押し leaves the
    # actions' choice to the hold's (none yet), and back.
    need click_control $IDC_PRESS_LONG || return 1
    check "a click on 長押し checks it, not 短押し" within 10 press_checked_is "0x0 0x1"
    check "...the actions show the hold's: 長押しなし" eq "$(control_text "${IDC_ACTIONS[0]}")" "長押しなし(&D)"
    need click_control "${IDC_ACTIONS[4]}" || return 1
    check "何もしない for the hold: the row shows both" within 10 row_is "2A${tab}Shift+Ctrl+F16 / 長押し: none${tab}変更"
    need click_control $IDC_PRESS_SHORT || return 1
    check "a click on 短押し: the press's choice again" within 10 actions_checked_are 0

    need w post "$SW" 0x0112 0xF020 0 || return 1  # WM_SYSCOMMAND SC_MINIMIZE, as the caption's button
    need within 10 iconic "$SW" || return 1
    # Wine queues raw input only while some window is in front (see the
    # README): the minimised window may have left none.
    w fg >/dev/null
    [ "${E2E_REPLY[0]}" = none ] && { need settled_foreground A "$V_A" || return 1; }
    m=$(mark A)
    need tap 2A || return 1
    check "minimised, the window learns nothing: 2A reaches the viewer" wait_for A "$m" ' keyhook ' 1
    need w close "$SW" || return 1
    check "exit code 0" exit_korvanta
}

# actions_checked_are LIST: exactly these action buttons are checked
actions_checked_are() { [ "$(checked_actions)" = "$1" ]; }

IDC_PRESS_SHORT=1021
IDC_PRESS_LONG=1022
# press_checked_is "SHORT LONG": BM_GETCHECK of 短押し and 長押し
press_checked_is() {
    local id states=()
    for id in $IDC_PRESS_SHORT $IDC_PRESS_LONG; do
        control "$id" && w send "$SW_CONTROL" 0x00F0 0 0 >/dev/null || return 1
        states+=("${E2E_REPLY[0]}")
    done
    [ "${states[*]}" = "$1" ]
}

# iconic HWND: the window is minimised
iconic() { w iconic "$1" >/dev/null && [ "${E2E_REPLY[0]}" = 1 ]; }

IDC_PROGRAM=1019

# shown_window CLASS: SHOWN, the first visible top-level window of CLASS,
# SHOWN_RECT its place on the screen
shown_window() {
    local hwnd
    w find "$1" >/dev/null || return 1
    for hwnd in "${E2E_REPLY[@]}"; do
        w rect "$hwnd" >/dev/null || continue
        [ "${E2E_REPLY[0]##* }" = 1 ] || continue
        SHOWN=$hwnd SHOWN_RECT=${E2E_REPLY[0]% *}
        return 0
    done
    return 1
}

# popup_reads SIGNATURE: a popup menu is on the screen (MENU_RECT), and its
# picture "popup", once painted, reads SIGNATURE (menu_signature)
popup_reads() {
    shown_window "#32768" && MENU_RECT=$SHOWN_RECT && picture popup || return 1
    POPUP_SEEN=$(menu_signature popup)
    [ "$POPUP_SEEN" = "$1" ]
}

# program_is NAME: the program list shows NAME
program_is() { PROGRAM_SEEN=$(control_text $IDC_PROGRAM) && [ "$PROGRAM_SEEN" = "$1" ]; }

# A program's own map made with real clicks: 追加... chosen in the program
# list's drop-down list, the player picked from the popup menu of the
# programs on the screen, a key caught for a button the player leaves to
# every program's map. OK writes the player's section alone (what a press
# then does is buttonmap_program_in_front's). Its picture is the README's.
case_settings_window_program() {
    need e2e_viewer A "TVTest Window" --channel visible --no-hook --pos 520 60 || return 1
    need e2e_viewer P "MediaPlayerClassicW" --as mpc-be64.exe --pos 600 400 || return 1
    need tray_begin settings_window_program || return 1
    need e2e_korvanta_cmd 111 || return 1  # mode 1: only the player's own map types into it
    need menu_open 1 0 0 || return 1
    need picture menu || return 1
    need menu_choose menu 6 || return 1
    need w wait "#32770" 10 || return 1
    SW=${E2E_REPLY[0]}
    local tab=$'\t' l t r b h n x y

    need click_control $IDC_PROGRAM || return 1
    need within 10 shown_window ComboLBox || return 1  # the drop-down list, a top-level window under Wine
    read -r l t r b <<<"$SHOWN_RECT"
    need w send "$SHOWN" 0x01A1 0 0 && h=$((E2E_REPLY[0])) || return 1  # LB_GETITEMHEIGHT
    need w send "$SHOWN" 0x018B 0 0 && n=$((E2E_REPLY[0])) || return 1  # LB_GETCOUNT
    need x_click $(((l + r) / 2)) $((t + 1 + (n - 1) * h + h / 2)) || return 1  # the last item, past the border
    # explorer.exe (the notification area), mpc-be64.exe, standin.exe (the viewer)
    within 10 popup_reads ". . . | ."
    check "a click on 追加... shows the programs on the screen, a separator and 参照..." \
        eq "$POPUP_SEEN" ". . . | ."
    control $IDC_PROGRAM && need w rect "$SW_CONTROL" || return 1
    read -r l _ _ b _ <<<"${E2E_REPLY[0]}"
    check "...below the program list" eq "${MENU_RECT% * *}" "$l $b"
    read -r x y <<<"$(menu_item_point popup 2)"
    need x_click "$x" "$y" || return 1
    within 10 program_is mpc-be64.exe
    check "a click on mpc-be64.exe adds it and shows it" eq "$PROGRAM_SEEN" mpc-be64.exe

    need tap 40 || return 1
    within 10 row_is "40${tab}none${tab}すべてのプログラム"
    check "a press of 40 picks its row, left to every program's map" \
        eq "$ROW_SEEN" "40${tab}none${tab}すべてのプログラム"
    need click_control $IDC_KEY_CATCH || return 1
    need xdotool key space || return 1
    within 10 row_is "40${tab}Space${tab}変更"
    check "Space pressed into the key catcher: the row is the player's own" eq "$ROW_SEEN" "40${tab}Space${tab}変更"
    need w rect "$SW" || return 1
    read -r l t r b _ <<<"${E2E_REPLY[0]}"
    need picture settings-program || return 1
    doc_picture settings-program settings-program "$l" "$t" "$r" "$b"
    need click_control 1 || return 1  # OK
    check "OK closes the window" w wait-gone "$SW" 10
    check "...and writes the player's section alone, no [Buttons]" \
        eq "$(ini_text | sed -n '/^\[Buttons/,$p')" $'[Buttons:mpc-be64.exe]\n40=Space'
    check "exit code 0" exit_korvanta
}

IDC_STATUS=1018

# status_is TEXT: the window's status line reads TEXT
status_is() { STATUS_SEEN=$(control_text $IDC_STATUS) && [ "$STATUS_SEEN" = "$1" ]; }

# Alt with a letter pressed into the key box, by real key events: neither
# reaches the dialog's mnemonics, which would run 適用(&A) and write the file,
# or check 何もしない(&N) and change the row. The status line says why.
case_settings_window_alt_keys() {
    need window_open_on_2A settings_window_alt_keys || return 1
    local tab=$'\t' before
    need click_control "${IDC_ACTIONS[1]}" || return 1  # キー
    need within 10 row_is "2A${tab}Shift+Ctrl+F16${tab}変更" || return 1
    before=$(ini_text)
    need click_control $IDC_KEY_CATCH || return 1
    need xdotool key alt+a || return 1
    need xdotool key alt+n || return 1
    check "Alt+A and Alt+N in the key box: the status line says Alt is refused" \
        within 10 status_is "Alt を使う組み合わせは割り当てられません。Shift と Ctrl を使ってください。" ||
        info "the status line: $STATUS_SEEN"
    quiet
    check "...the row still shows キー" row_is "2A${tab}Shift+Ctrl+F16${tab}変更" || info "the row: $ROW_SEEN"
    check "...キー is still the action checked" actions_checked_are 1 || info "checked: $(checked_actions)"
    check "...and the file is unchanged (no 適用)" eq "$(ini_text)" "$before"
    need click_control 2 || return 1  # キャンセル
    check "キャンセル closes the window" w wait-gone "$SW" 10
    check "...and writes nothing" eq "$(ini_text)" "$before"
    check "exit code 0" exit_korvanta
}

# list_count: LIST_COUNT, the number of rows in the button list
list_count() { control $IDC_BUTTON_LIST && w send "$SW_CONTROL" 0x018B 0 0 >/dev/null && LIST_COUNT=$((E2E_REPLY[0])); }  # LB_GETCOUNT

# row_starts TEXT: the list's selected row begins with TEXT
row_starts() {
    control $IDC_BUTTON_LIST && w lbtext "$SW_CONTROL" >/dev/null || return 1
    ROW_SEEN=${E2E_REPLY[0]}
    [ "${ROW_SEEN#"$1"}" != "$ROW_SEEN" ]
}

# front_is HWND: HWND is the foreground window
front_is() { w fg >/dev/null && [ "${E2E_REPLY[0]%% *}" = "$1" ]; }

# other_tap_short: the other remote's 00CD pressed and let go, the release
# sent within 400 ms of the press. Held as long as the hold time (LongPress,
# 600 ms by default) the settings window takes the press for a hold and
# chooses 長押し: a machine too busy to send the release in time presses
# again (5 times at most; OTHER_TAPS says how many it took), and a short
# press chooses 短押し again.
other_tap_short() {
    local start held
    for ((OTHER_TAPS = 1; OTHER_TAPS <= 5; OTHER_TAPS++)); do
        start=${EPOCHREALTIME/[.,]/}
        feed other CD && feed other || return 1
        held=$(((${EPOCHREALTIME/[.,]/} - start) / 1000))
        [ "$held" -lt 400 ] && return 0
        info "the release went $held ms after the press: pressed again"
    done
    return 1
}

# Another remote's button (045E:0800, read through Wine's hid.dll) learnt in
# the settings window, where no line names the device yet: a press there
# adds its row, named by the device and the usage's name, and selects it;
# the status line names it and no viewer gets it. A key caught for it and
# OK write its line to [Buttons], and the next press, the viewer in front
# again, delivers that key.
case_settings_window_learns_other_remote() {
    need e2e_viewer A "TVTest Window" --channel visible --no-hook --pos 520 60 || return 1
    need tray_begin settings_window_learns_other_remote || return 1
    need e2e_korvanta_cmd 111 || return 1  # mode 1: to the viewer as TVTest KeyHook
    local m tab=$'\t' name="045E:0800 再生/一時停止 (00CD)" rows
    check "no line names 045E:0800 at the start" eq "$(ini_text | grep -c '045E:0800')" 0
    need settled_foreground A "$V_A" || return 1
    m=$(mark A)
    need other_tap_short || return 1
    need tap 2A || return 1
    need wait_for A "$m" ' keyhook ' 1 || return 1
    quiet
    check "before: 00CD of the other remote does nothing, 2A after it is its standard Shift+Ctrl+F16" \
        eq "$(keyhooks A "$m")" "0x7f/0x30001"

    need menu_open 1 0 0 || return 1
    need picture menu || return 1
    need menu_choose menu 6 || return 1
    check "a click on 設定(&S)... opens the settings window" w wait "#32770" 10 || return 1
    SW=${E2E_REPLY[0]}
    # in front, so shown, its list filled; and Wine queues raw input only
    # while a window is in front
    need within 10 front_is "$SW" || return 1
    need list_count || return 1
    rows=$LIST_COUNT

    m=$(mark A)
    need other_tap_short || return 1
    check "a press of 00CD on the other remote adds a row and selects it" \
        within 10 row_starts "$name$tab" || info "the row: $ROW_SEEN"
    check "...one row more" eq "$(list_count && echo "$LIST_COUNT")" $((rows + 1))
    check "...the row reads $name, none, 標準" row_starts "$name${tab}none${tab}標準" || info "the row: $ROW_SEEN"
    check "...the window names the button" eq "$(control_text $IDC_PRESSED)" "押されたボタン: $name"
    check "...短押し chosen" press_checked_is "0x1 0x0"
    [ "$OTHER_TAPS" = 1 ] || info "the press took $OTHER_TAPS tries"
    quiet
    check "...and the press reaches no viewer" nothing_reached A "$m"

    need click_control $IDC_KEY_CATCH || return 1
    need xdotool key shift+F5 || return 1
    check "Shift+F5 pressed into the key catcher: the row shows it as the user's own" \
        within 10 row_starts "$name${tab}Shift+F5${tab}変更" || info "the row: $ROW_SEEN"
    check "...still one row more" eq "$(list_count && echo "$LIST_COUNT")" $((rows + 1))
    need click_control 1 || return 1  # OK
    check "OK closes the window" w wait-gone "$SW" 10
    check "...and writes the one line" eq "$(ini_text | sed -n '/\[Buttons\]/,$p')" $'[Buttons]\n045E:0800:00CD=Shift+F5'

    need settled_foreground A "$V_A" || return 1  # the window's focus gone with it
    m=$(mark A)
    need feed other CD || return 1
    need wait_for A "$m" ' keyhook ' 1 || return 1
    need feed other || return 1
    need tap 2A || return 1  # the end of what this press could bring
    need wait_for A "$m" ' keyhook ' 2 || return 1
    quiet
    check "the next press of 00CD delivers Shift+F5 to the viewer once, its release nothing" \
        eq "$(keyhooks A "$m")" "0x74/0x10001 0x7f/0x30001"
    check "exit code 0" exit_korvanta
}
