# shellcheck shell=bash
# The user's own button map ([Buttons] in Korvanta.ini) and the press log
# (Log=1): what the viewer receives, the balloon about unreadable lines, the
# log's lines, its rollover, and a foreign device that stays out of both.

ALL_CASES+=(
    buttonmap_remaps
    presslog_lines_and_rollover
)

# 08 mapped to F5 reaches the viewer as F5; the unreadable 1C line leaves
# 1C its built-in Up and brings one balloon.
case_buttonmap_remaps() {
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need w foreground "$V_A" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "[Buttons]" "08 = F5" "1C=Foo" "0A=Ctrl+Shift+A"
    need e2e_korvanta_start || return 1
    local m
    m=$(mark A)
    need tap 08 && need tap 0A || return 1
    need wait_for A "$m" ' keyhook ' 2 || return 1
    check "08=F5 and 0A=Ctrl+Shift+A posted as mapped" eq "$(keyhooks A "$m")" "0x74/0x1 0x41/0x30001"
    m=$(mark A)
    need tap 1C || return 1
    need wait_for A "$m" 'keydown .*vk=0x26' || return 1
    check "the unreadable 1C line leaves the built-in Up" \
        eq "$(keys A "$m" | tr ' ' '\n' | grep ':0x26:' | cut -d: -f1,3,4)" "keydown:0x26:posted"
    check "one balloon tells of the ignored line" ge "$(balloons_on_screen 5 | wc -l)" 1
    check "exit code 0" exit_korvanta
    check "the map is left as written" eq "$(ini_text | sed -n '/\[Buttons\]/,$p')" $'[Buttons]\n08 = F5\n1C=Foo\n0A=Ctrl+Shift+A'
}

# A log of just under 1 MB: the first line that would pass the limit moves it
# to Korvanta.log.old and starts a new file with that line.
case_presslog_lines_and_rollover() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "Log=1"
    head -c $((1024 * 1024 - 40)) /dev/zero | tr '\0' 'x' >"$E2E_APP/Korvanta.log"
    need e2e_korvanta_start || return 1
    local m
    m=$(mark A)
    need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    # the foreign device: no delivery, no line
    need feed ftap 21 1 20 && need feed ftap 0A 1 20 || return 1
    need tap 0A || return 1
    need wait_for A "$m" ' keyhook ' 2 || return 1
    check "the foreign device delivered nothing" eq "$(keyhooks A "$m")" "0x7c/0x10001 0x7e/0x10001"
    check "exit code 0" exit_korvanta
    check "the full log moved to Korvanta.log.old" \
        eq "$(head -c 10 "$E2E_APP/Korvanta.log.old")/$(( $(stat -c %s "$E2E_APP/Korvanta.log.old") <= 1048576 ))" "xxxxxxxxxx/1"
    local log
    log=$(tr -d '\r' <"$E2E_APP/Korvanta.log")
    info "log: $(printf '%s' "$log" | head -n 3 | tr '\n' '|')"
    check "the press's path, to the viewer's window and process" \
        eq "$(printf '%s\n' "$log" | grep -c "device=04BB:0F0E code=08 repeat=passed action=Shift+F13 mode=1 lockon=off direction=no route=keyhook to=\"TVTest Window\" pid=$P_A\$")" 1
    check "each line starts with the local time to the millisecond" \
        eq "$(printf '%s\n' "$log" | grep -vcE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} ')" 0
    check "releases logged as swallowed" ge "$(printf '%s\n' "$log" | grep -c 'code=00 repeat=swallowed')" 1
    check "nothing logged for the foreign device" eq "$(printf '%s\n' "$log" | grep -c 'code=21')" 0
    check "no further file" eq "$(ls "$E2E_APP" | tr '\n' ' ')" "Korvanta.exe Korvanta.ini Korvanta.log Korvanta.log.old "
}
