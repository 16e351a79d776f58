# shellcheck shell=bash
# The settings window as a person uses it, with real pointer and key events
# (xdotool) and the tray's helpers (cases_tray.sh): opened by a click on its
# menu item, a button of the remote pressed to find its row, a key caught
# from the keyboard, OK clicked; the next press of that button delivers the
# new chord. Its picture is the README's (scripts/screenshots.sh).

ALL_CASES+=(
    settings_window_learns
)

prepare_settings_window_learns() { tray_requirements; }

# The settings window's controls, as the resource script numbers them.
IDC_BUTTON_LIST=1001
IDC_PRESSED=1002
IDC_KEY_CATCH=1008

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
    [ "${E2E_REPLY[0]}" = "$1" ] && return 0
    ROW_SEEN=${E2E_REPLY[0]}
    return 1
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
