# shellcheck shell=bash
# The settings file beside the executable: saved at exit, read at start,
# hand-edited values, and a folder that cannot be written.

ALL_CASES+=(
    settings_saved_and_restored
    settings_hand_edited
    settings_nine_digits
    settings_readonly_folder
)

# probe_mode2_flag_on: in the running Korvanta, chords go by mode 2 with plain
# direction buttons dropped. Needs viewers A (with channel display and hook)
# and F ("TVTest Fullscreen").
probe_mode2_flag_on() {
    local m mf
    need w foreground "$V_F" || return 1
    m=$(mark A); mf=$(mark F)
    need tap 08 || return 1
    quiet
    check "TVTest Fullscreen in the foreground gets nothing (mode 2, not 0 or 1)" nothing_reached F "$mf"
    check "the viewer behind it gets nothing" nothing_reached A "$m"
    need w foreground "$V_A" || return 1
    m=$(mark A)
    need tap 1C && need tap 08 && need tap 24 || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    quiet
    check "foreground viewer: KeyHook (mode 2)" eq "$(keyhooks A "$m")" "0x7c/0x10001"
    check "plain Up dropped, Shift+Up posted (flag on)" eq "$(keys A "$m" | tr ' ' '\n' | grep ':channel:' | cut -d: -f1-4)" "keydown:channel:0x26:posted"
    check "modifier events for Shift+Up only" eq "$(ll A "$m")" "11- 10+ 10-"
}

# The choices made from the menu are saved at exit and govern the next run.
case_settings_saved_and_restored() {
    need standin_tray || return 1
    need e2e_viewer F "TVTest Fullscreen" --no-hook || return 1
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 112 && need e2e_korvanta_cmd 113 || return 1
    sleep 1
    check "a folder that can be written brings no balloon about the settings, only the first start's" \
        eq "$(tray_balloons 0 | cut -d'|' -f1)" "Korvanta を起動しました"
    check "exit code 0" exit_korvanta
    check "settings file beside the executable" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000002\nIgnoreCursor=00000001'
    need e2e_korvanta_start || return 1
    probe_mode2_flag_on
    check "second run exits with 0" exit_korvanta
    check "settings unchanged" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000002\nIgnoreCursor=00000001'
}

# balloons_on_screen SECONDS: the notification area's balloons, once one
# shows or the time is up
balloons_on_screen() {
    local i
    for ((i = 0; i <= $1 * 10; i++)); do
        w balloons || return 1
        [ ${#E2E_REPLY[@]} -gt 0 ] && break
        [ "$i" -lt $(($1 * 10)) ] && sleep 0.1
    done
    printf '%s\n' ${E2E_REPLY[@]+"${E2E_REPLY[@]}"} | grep .
}

# A file edited by hand: "2 ; comment" reads as 2, "0000000a" as 10 (on).
case_settings_hand_edited() {
    need e2e_viewer F "TVTest Fullscreen" --no-hook || return 1
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    write_ini "[Korvanta]" "TVTC_MODE=2 ; comment" "IgnoreCursor=0000000a"
    need e2e_korvanta_start || return 1
    probe_mode2_flag_on
    check "exit code 0" exit_korvanta
    check "values that still read right are left as the user wrote them" \
        eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=2 ; comment\nIgnoreCursor=0000000a'
}

# Nine digits read as their last eight, 0x23456789: not a mode, so mode 0 stays.
case_settings_nine_digits() {
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need w foreground "$V_A" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=123456789" "IgnoreCursor=00000000"
    need e2e_korvanta_start || return 1
    local m
    m=$(mark A)
    need tap 08 || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    quiet
    check "mode 0: Shift+F13 synthesised" eq "$(ll A "$m")" "10+ 7c+ 7c- 10-"
    check "no KeyHook" eq "$(keyhooks A "$m")" ""
    check "exit code 0" exit_korvanta
    check "mode written back as 0" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000000\nIgnoreCursor=00000000'
}

# A folder that cannot be written: the choice is lost, silently.
#
# The folder loses its write permission. That alone stops a plain user; root
# writes anywhere through CAP_DAC_OVERRIDE, so as root the whole case (the
# wineserver opens files for Korvanta) runs without the capabilities that
# override permissions. No mount or namespace is needed, so it runs in a
# container or a chroot too; only where root may not drop capabilities is the
# case skipped.
readonly_caps=(setpriv --inh-caps=-all --bounding-set=-dac_override,-dac_read_search,-fowner)

prepare_settings_readonly_folder() {
    [ "$(id -u)" = 0 ] || return 0
    local probe
    probe=$(mktemp -d)
    chmod a-w "$probe"
    if ! "${readonly_caps[@]}" true 2>/dev/null; then
        CASE_SKIP="root may not drop its capabilities here (setpriv --bounding-set refused)"
    elif "${readonly_caps[@]}" touch "$probe/probe" 2>/dev/null; then
        CASE_SKIP="root writes into a read-only folder even without CAP_DAC_OVERRIDE"
    else
        CASE_WRAP=("${readonly_caps[@]}")
    fi
    chmod u+w "$probe"
    rm -rf "$probe"
}

case_settings_readonly_folder() {
    # as root, without the capabilities that override permissions
    # (prepare_settings_readonly_folder)
    need chmod a-w "$E2E_APP" || return 1
    CASE_CLEANUP="chmod u+w '$E2E_APP'"
    if touch "$E2E_APP/probe" 2>/dev/null; then
        echo "  FAILED (setup): the folder is still writable"
        FAILED=1
        return 1
    fi
    need standin_tray || return 1
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    check "no balloon about the settings before anything is chosen" \
        eq "$(tray_balloons 0 | grep -c '^設定を保存できません|')" 0
    need e2e_korvanta_cmd 111 || return 1
    check "the first change brings a balloon: the choice cannot be kept" \
        wait_for T 0 ' trayballoon .*title="設定を保存できません"'
    check "...once" eq "$(tray_balloons 0 | grep -c '^設定を保存できません|')" 1
    local m
    m=$(mark A)
    need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    check "runs and delivers by the chosen mode" eq "$(keyhooks A "$m")" "0x7c/0x10001"
    check "exit code 0 although the settings cannot be saved" exit_korvanta
    check "no settings file" eq "$(ls -A "$E2E_APP")" "Korvanta.exe"
    need e2e_korvanta_start || return 1
    m=$(mark A)
    need tap 08 || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    quiet
    check "next run: the choice is gone, mode 0" eq "$(ll A "$m")/$(keyhooks A "$m")" "10+ 7c+ 7c- 10-/"
    check "exit code 0 again" exit_korvanta
}
